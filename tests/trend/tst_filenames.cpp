// The names the save dialogs offer: a day's files of several units tell themselves apart, and
// every name is one Windows takes too.
#include "protocol/DetectorUnits.h"
#include "trend/TrendText.h"
#include "trend/texts.h"

#include <QDateTime>
#include <QtTest>

class tst_FileNames : public QObject {
    Q_OBJECT
private slots:
    void suggested_data();
    void suggested();
    void safe_data();
    void safe();
};

void tst_FileNames::suggested_data()
{
    QTest::addColumn<int>("ident");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("letter");
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("capture");
    QTest::newRow("receiver")
        << 22 << 7 << 3 << QStringLiteral("ДОРВИК-М100 адрес 7 2026-12-11 09-30.csv")
        << QStringLiteral("Протокол настройки ДОРВИК-М100 адрес 7 2026-12-11 09-30.pdf")
        << QStringLiteral("Обмен ДОРВИК-М100 адрес 7 2026-12-11 09-30.dcap");
    QTest::newRow("transmitter: its letter, it has no address")
        << int(IDENT_PERED) << 0 << 3 << QStringLiteral("ПЕРЕДАТЧИК литера 3 2026-12-11 09-30.csv")
        << QStringLiteral("Протокол настройки ПЕРЕДАТЧИК литера 3 2026-12-11 09-30.pdf")
        << QStringLiteral("Обмен ПЕРЕДАТЧИК литера 3 2026-12-11 09-30.dcap");
    QTest::newRow("unknown model, highest address")
        << 45 << 255 << 1 << QStringLiteral("неизвестный адрес 255 2026-12-11 09-30.csv")
        << QStringLiteral("Протокол настройки неизвестный адрес 255 2026-12-11 09-30.pdf")
        << QStringLiteral("Обмен неизвестный адрес 255 2026-12-11 09-30.dcap");
}

void tst_FileNames::suggested()
{
    QFETCH(int, ident);
    QFETCH(int, address);
    QFETCH(int, letter);
    TDetectorState unit;
    unit.FIdent = TIdent(ident);
    unit.FAddr = address;
    unit.FLit = TLitera(letter);
    const QDateTime at(QDate(2026, 12, 11), QTime(9, 30, 59));
    QTEST(suggestedFileName(CSV_FILE_NAME, unit, at), "csv");
    QTEST(suggestedFileName(REPORT_FILE_NAME, unit, at), "report");
    QTEST(suggestedFileName(CAPTURE_FILE_NAME, unit, at), "capture");
}

void tst_FileNames::safe_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("safe");
    QTest::newRow("already safe") << QStringLiteral("ДОРВИК-М50 адрес 0 2026-01-02 03-04.csv")
                                  << QStringLiteral("ДОРВИК-М50 адрес 0 2026-01-02 03-04.csv");
    QTest::newRow("a time of day with colons") << QStringLiteral("09:30.csv") << QStringLiteral("09-30.csv");
    QTest::newRow("every reserved character") << QStringLiteral("a<b>c:d\"e/f\\g|h?i*j") << QStringLiteral("a-b-c-d-e-f-g-h-i-j");
    QTest::newRow("control characters") << QStringLiteral("a\tb\nc") << QStringLiteral("a-b-c");
    QTest::newRow("dots and spaces at the end") << QStringLiteral("name. . ") << QStringLiteral("name");
}

void tst_FileNames::safe()
{
    QFETCH(QString, name);
    QTEST(safeFileName(name), "safe");
}

QTEST_GUILESS_MAIN(tst_FileNames)
#include "tst_filenames.moc"
