// Writes sessions into a site journal without end, as the program does while units come and
// go, and says on stdout what it has written: "wrote" after each update, "ended MS" once a
// session's end is in the journal. tst_journal kills it at random and checks what is left.
//   journal_writer FILE FIRST_START_MS
#include "journal/SiteJournal.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    SiteJournal journal;
    QString error;
    if (!journal.open(QString::fromLocal8Bit(argv[1]), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 first = QByteArray(argv[2]).toLongLong();
    for (qint64 i = 0;; ++i) {
        JournalSession s;
        s.ident = i % 3 == 0 ? 32 : 21 + int(i % 2);
        s.transmitter = s.ident == 32;
        s.firmware = QStringLiteral("1.%1").arg(i % 4);
        s.address = int(i % 250) + 1;
        s.startedMs = first + i * 1000;
        s.section = QStringLiteral("Участок %1").arg(i / 2 + 1);
        s.letter = int(i % 8) + 1;
        // A session is written as it runs, a walk row more each time, then ended.
        for (int update = 0; update < 4; ++update) {
            if (update == 3)
                s.endedMs = s.startedMs + 900;
            else
                s.walk << JournalWalkRow{s.startedMs + update * 100, QStringLiteral("Место %1").arg(update),
                                         90 + update, 77, 0.2 * update, update % 2 == 0, 300};
            s.walkPassed = s.walk.size() > 1;
            if (!journal.write(s, &error)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            if (s.endedMs)
                std::printf("ended %lld\n", static_cast<long long>(s.startedMs));
            else
                std::printf("wrote\n");
            std::fflush(stdout);
        }
    }
}
