#pragma once
// The program's one serial port component: opens a port, sets the line, writes blocks
// and hands received bytes to its owner in chunks, on the UI thread.
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class QSerialPort;

enum TComPortBaudRate : std::uint8_t {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200
};
enum TComPortDataBits : std::uint8_t { db5BITS, db6BITS, db7BITS, db8BITS };
enum TComPortStopBits : std::uint8_t { sb1BITS, sb1HALFBITS, sb2BITS };
enum TComPortParity : std::uint8_t { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TComPortSwHandshaking : std::uint8_t { shNONE, shXONXOFF };
// Ordinal 0..255 stands for COM1..COM256.
using TComPortNumber = std::uint8_t;
constexpr TComPortNumber pnCOM1 = 0;

extern const std::uint32_t Win32BaudRates[13];

class TSerialPortDriver : public QObject {
    Q_OBJECT
public:
    // (Sender, DataPtr, DataSize): DataPtr is valid only during the call; DataSize >= 1.
    using TComPortReceiveDataEvent = std::function<void(TSerialPortDriver*, const std::uint8_t*, int)>;

    explicit TSerialPortDriver(QObject* owner = nullptr);
    ~TSerialPortDriver() override;

    bool Connect();
    void Disconnect();
    bool Connected() const;
    bool SendData(const std::uint8_t* DataPtr, std::uint32_t DataSize);
    // Milliseconds until the last byte written has had its time on the wire (rounded up), 0
    // when the line is idle: a reply cannot begin before then.
    int msUntilSent() const;
    // Hands the owner what has already reached the port but has not been announced yet (the
    // event loop has not got to it); returns how many bytes that was. Never waits.
    int ReadWaiting();
    void ApplyCOMSettings();

    TComPortNumber ComPort() const { return FComPort; }
    void SetComPort(TComPortNumber Value);
    // A port that is not "COM" + number (a Linux device, a pseudo-terminal) is selected by
    // its name; an empty name falls back to the number.
    QString ComPortName() const { return FComPortName; }
    void SetComPortName(const QString& Value);
    TComPortBaudRate ComPortSpeed() const { return FComPortBaudRate; }
    void SetComPortBaudRate(TComPortBaudRate Value);
    // The rest of the line stays 8N1 without flow control: the detector wants nothing else.
    TComPortDataBits ComPortDataBits() const { return FComPortDataBits; }
    TComPortStopBits ComPortStopBits() const { return FComPortStopBits; }
    TComPortParity ComPortParity() const { return FComPortParity; }
    TComPortSwHandshaking ComPortSwHandshaking() const { return FComPortSwHandshaking; }

    // The most handed to the owner in one chunk.
    std::uint16_t ComPortInBufSize() const { return FComPortInBufSize; }
    void SetComPortInBufSize(std::uint16_t Value) { FComPortInBufSize = Value; }
    std::uint16_t ComPortOutBufSize() const { return FComPortOutBufSize; }
    void SetComPortOutBufSize(std::uint16_t Value) { FComPortOutBufSize = Value; }
    // Set and read by nobody: bytes are handed over as the port announces them, not on a cycle.
    std::uint16_t ComPortPollingDelay() const { return FComPortPollingDelay; }
    void SetComPortPollingDelay(std::uint16_t Value) { FComPortPollingDelay = Value; }

    TComPortReceiveDataEvent OnReceiveData;

    // Why the last Connect failed, in the operating system's words; empty after success.
    QString lastOpenError() const { return FLastOpenError; }
    // The device name Connect opens: the name when set, else "COM" + number.
    QString deviceName() const;

    // What the port may hold unread.
    static constexpr int kReadBufferSize = 4096;

private:
    void onReadyRead();
    void onError(int error);
    // Returns once everything written to port has had its time on the wire at the current speed.
    void waitForWire(QSerialPort* port);

    QSerialPort* FComPortHandle = nullptr;  // null while disconnected
    TComPortNumber FComPort = pnCOM1;
    QString FComPortName;
    TComPortBaudRate FComPortBaudRate = br9600;
    TComPortDataBits FComPortDataBits = db8BITS;
    TComPortStopBits FComPortStopBits = sb1BITS;
    TComPortParity FComPortParity = ptNONE;
    TComPortSwHandshaking FComPortSwHandshaking = shNONE;
    std::uint16_t FComPortInBufSize = 2048;
    std::uint16_t FComPortOutBufSize = 2048;
    std::uint16_t FComPortPollingDelay = 0;
    QString FLastOpenError;
    QElapsedTimer FClock;
    qint64 FWireFreeAtNs = 0;  // when the last byte written has left, on FClock
    qint64 FHandedOver = 0;    // bytes given to OnReceiveData since the driver was made
};
