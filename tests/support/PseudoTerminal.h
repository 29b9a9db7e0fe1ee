#pragma once
#include <QByteArray>
#include <QString>

// The far end of a serial line for tests: a pseudo-terminal whose slave the program opens
// as its port, while the test reads and writes the master.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    bool isOpen() const { return FMaster >= 0; }
    QString slavePath() const { return FSlave; }
    void write(const QByteArray& bytes);
    // Everything the program sent within the wait (returns early once minBytes arrived).
    QByteArray read(int waitMs, int minBytes = 1);
    // Waits until what was written here can be read on the program's side, without reading it
    // and without running the event loop; the program has the slave open in this process.
    bool reachedProgram(int waitMs) const;
    // The line speed the program's side has set, in bit/s.
    int programBaud() const;
    // Closes the master: the program sees its device go away.
    void close();

private:
    int FMaster = -1;
    QString FSlave;
};
