// Commissioning a pair end to end: the transmitter's session, the cable carried to the receiver,
// its own session with a walk test whose crossings the test plays on the simulated unit, and the
// pair's record as the customer reads it.
#include "ProgramFixture.h"
#include "SimulatedDetector.h"
#include "connection/DetectorConnection.h"
#include "protocol/DetectorUnits.h"
#include "trend/CommissioningReport.h"
#include "trend/SessionBook.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"
#include "trend/TrendWindow.h"
#include "trend/WalkPanel.h"
#include "trend/WalkTest.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScatterSeries>
#include <QStandardPaths>
#include <QTableWidget>
#include <QtTest>

namespace {
constexpr int PATIENCE_MS = 60000;
constexpr TPosPorog THRESHOLD = 5;  // 1.5 V: the field is over it from 78 on

WalkTest& walk() { return fmMain->record->walk(); }

// Holds the field (and the alarm the unit would give) until the record has polls samples
// carrying it, so that a crossing is seen whatever the machine's pace.
bool hold(SimulatedDetector& unit, int field, bool alarm, int polls)
{
    unit.state().field = quint8(field);
    unit.state().alarm = alarm;
    const auto carried = [&] {
        std::size_t n = 0;
        const SessionRecord& r = *fmMain->record;
        for (std::size_t i = r.size(); i-- > 0 && n < std::size_t(polls);) {
            const SessionSample& s = r.at(i);
            if (s.field != field || s.alarm() != alarm)
                return false;
            n += s.carried(ValueField) ? 1 : 0;
        }
        return n >= std::size_t(polls);
    };
    return QTest::qWaitFor(carried, PATIENCE_MS);
}

// One person through the zone at place: the field rises to peak and falls back to rest, the
// unit answering or not; done when the walk test has closed the crossing.
bool cross(SimulatedDetector& unit, const QString& place, int peak, bool unitAlarms)
{
    fmMain->fmTrend->walkPanel->cbPlace->setEditText(place);
    const std::size_t before = walk().crossings().size();
    if (!hold(unit, peak, unitAlarms, 3))
        return false;
    // Back at rest, the unit's alarm held a moment longer, as a real one does.
    if (!hold(unit, 20, unitAlarms, 2) || !hold(unit, 20, false, 2))
        return false;
    return QTest::qWaitFor(
        [&] { return walk().crossings().size() == before + 1 && walk().crossings().back().ended; }, PATIENCE_MS);
}

QString cell(int row, int column)
{
    const QTableWidgetItem* item = fmMain->fmTrend->walkPanel->twCrossings->item(row, column);
    return item ? item->text() : QString();
}

QList<QByteArray> csvRows(const SessionRecord& record, const QString& path)
{
    QString error;
    if (!writeSessionCsv(record, path, &error))
        return {};
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast();
    return lines;
}
}  // namespace

class tst_Commission : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pairWithAWalkTest_data();
    void pairWithAWalkTest();

private:
    QTemporaryDir FSettings;
};

void tst_Commission::initTestCase() { qputenv("DORVIK_SETTINGS_DIR", FSettings.path().toLocal8Bit()); }

void tst_Commission::pairWithAWalkTest_data()
{
    QTest::addColumn<int>("receiverLetter");
    QTest::newRow("letters match") << 3;
    QTest::newRow("letters differ") << 5;
}

void tst_Commission::pairWithAWalkTest()
{
    QFETCH(int, receiverLetter);
    SimConfig txConfig;
    txConfig.kind = SimConfig::Transmitter;
    txConfig.letterIndex = 2;
    SimulatedDetector transmitter(txConfig);
    SimConfig rxConfig;
    rxConfig.threshold = THRESHOLD;
    rxConfig.model = 22;
    rxConfig.address = 7;
    rxConfig.letterIndex = quint8(receiverLetter - 1);
    SimulatedDetector receiver(rxConfig);
    QVERIFY(transmitter.open() && receiver.open());

    // One cable carried from unit to unit: the same port name, another device behind it.
    QTemporaryDir cable;
    const QString port = cable.filePath(QStringLiteral("usb-adapter"));
    QVERIFY(QFile::link(transmitter.slavePath(), port));
    ProgramFixture program({port});
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->Ident() == IDENT_PERED, PATIENCE_MS);
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->record->size() >= 3, PATIENCE_MS);
    transmitter.vanish();
    QFile::remove(port);
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->waitingForPort(), PATIENCE_MS);
    QVERIFY(QFile::link(receiver.slavePath(), port));
    QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->Ident() == 22 && fmMain->SettingDialogsAllowed(), PATIENCE_MS);

    // Two units, two sessions; the trend lists both and shows the receiver's.
    QCOMPARE(fmMain->sessions->size(), std::size_t(2));
    QVERIFY(fmMain->sessions->at(0)->unit().transmitter() && fmMain->sessions->at(0)->ended());
    QCOMPARE(fmMain->sessions->at(1).get(), fmMain->record.get());
    fmMain->bbTrendClick();
    TrendWindow* trend = fmMain->fmTrend;
    QCOMPARE(trend->cbSession->count(), 2);
    QCOMPARE(trend->shown(), fmMain->record.get());

    // The walk test: rest first, then three crossings — a clear one, one under the threshold,
    // and one over it in a dip that the unit misses.
    QVERIFY(hold(receiver, 20, false, 3));
    trend->sbWalk->click();
    QVERIFY(walk().running());
    QTRY_VERIFY_WITH_TIMEOUT(hold(receiver, 20, false, 1) && !walk().learning(), PATIENCE_MS);
    QVERIFY(cross(receiver, QStringLiteral("Середина участка, в рост"), 100, true));
    QVERIFY(cross(receiver, QStringLiteral("Середина участка, пригнувшись"), 60, false));
    QVERIFY(cross(receiver, QStringLiteral("Низина у столба 4"), 110, false));
    trend->sbWalk->click();
    trend->refresh();

    // The table beside the chart, row by row: place, peak, margin, the unit's alarm.
    QCOMPARE(trend->walkPanel->twCrossings->rowCount(), 3);
    const QStringList places{QStringLiteral("Середина участка, в рост"), QStringLiteral("Середина участка, пригнувшись"),
                             QStringLiteral("Низина у столба 4")};
    const QStringList peaks{QStringLiteral("1.95 B"), QStringLiteral("1.17 B"), QStringLiteral("2.14 B")};
    const QStringList margins{QStringLiteral("+0.45 B (30 %)"), QStringLiteral("-0.33 B (-22 %)"),
                              QStringLiteral("+0.64 B (43 %)")};
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(cell(row, 2), places[row]);
        QCOMPARE(cell(row, 3), peaks[row]);
        QCOMPARE(cell(row, 4), margins[row]);
    }
    QVERIFY2(cell(0, 5).startsWith(QStringLiteral("да")), qPrintable(cell(0, 5)));
    QCOMPARE(cell(1, 5), QStringLiteral("НЕТ"));
    QCOMPARE(cell(2, 5), QStringLiteral("НЕТ"));
    QCOMPARE(trend->walkPanel->laVerdict->text(),
             QStringLiteral("Проверка не пройдена: обнаружено 1 из 3, из них с запасом не менее 10 % — 1."));
    // The weakest crossing, 1.17 V, clears only the lowest threshold by 10 %.
    QCOMPARE(trend->walkPanel->laAdvice->text(), QStringLiteral("Рекомендуемый порог: 1.00 B (подходят от 1.00 B до 1.00 B)."));
    // On the chart: the detected crossing green, the two missed ones red.
    QCOMPARE(trend->walkDetected->count(), 1);
    QCOMPARE(trend->walkMissed->count(), 2);

    // Each session's file names its unit in every row; a cell holds a value only where measured.
    const QList<QByteArray> tx = csvRows(*fmMain->sessions->at(0), program.file(QStringLiteral("tx.csv")));
    const QList<QByteArray> rx = csvRows(*fmMain->record, program.file(QStringLiteral("rx.csv")));
    QVERIFY(tx.size() > 3 && rx.size() > 20);
    for (const QByteArray& row : tx.mid(1))
        QVERIFY2(row.split(',').mid(1, 1) == QList<QByteArray>{"transmitter"}, row.constData());
    int emptyFields = 0;
    for (const QByteArray& row : rx.mid(1)) {
        const QList<QByteArray> cells = row.split(',');
        QCOMPARE(cells.mid(1, 2), (QList<QByteArray>{"receiver", "22"}));
        QCOMPARE(cells[4], QByteArray("7"));
        emptyFields += cells[6].isEmpty();
    }
    QVERIFY(emptyFields > 0 && emptyFields < rx.size() - 1);

    // The pair's record, as pdftotext reads it.
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed: scripts/deps.sh installs it");
    ReportFacts asked;
    asked.site = QStringLiteral("Склад №3 ") + QString(200, QLatin1Char('x'));
    asked.section = QStringLiteral("Участок 2\tсевер\x01");
    asked.installer = QStringLiteral("Иванов И. И.");
    asked.conditions = QStringLiteral("Снег 10 см\nгрунт промёрз");
    const QString path = program.file(QStringLiteral("протокол.pdf"));
    QString error;
    QVERIFY2(fmMain->writeReport(path, asked, &error), qPrintable(error));
    QProcess convert;
    convert.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(convert.waitForFinished(30000));
    QCOMPARE(convert.exitCode(), 0);
    const QString page = QString::fromUtf8(convert.readAllStandardOutput());
    const QString report = page.simplified();
    QStringList expected{
        QStringLiteral("Протокол настройки"),
        QStringLiteral("Участок 2 север"),
        QStringLiteral("Передатчик Приёмник"),
        QStringLiteral("Извещатель ПЕРЕДАТЧИК ДОРВИК-М100"),
        QStringLiteral("Адрес 0 7"),
        QStringLiteral("Литера 3 %1").arg(receiverLetter),
        QStringLiteral("Порог 1.5 В"),
        QStringLiteral("Середина участка, в рост 1.95 В +0.45 В (30 %) да"),
        QStringLiteral("пригнувшись 1.17 В -0.33 В (-22 %) НЕТ"),
        QStringLiteral("Низина у столба 4 2.14 В +0.64 В (43 %) НЕТ"),
        QStringLiteral("Итог НЕ ПРОЙДЕНА: обнаружено 1 из 3"),
        QStringLiteral("Рекомендуемый порог 1.00 В"),
        QStringLiteral("График проверки зоны"),
        QStringLiteral("Снег 10 см"),
        QStringLiteral("Представитель заказчика"),
        QStringLiteral("бит/с, код модели 22"),
    };
    expected << (receiverLetter == 3 ? QStringLiteral("Литеры передатчика и приёмника совпадают.")
                                     : QStringLiteral("ВНИМАНИЕ: литеры не совпадают (передатчик 3, приёмник 5)"));
    for (const QString& line : expected)
        QVERIFY2(report.contains(line), qPrintable(line + QStringLiteral(" not in: ") + report));
    // The long site name wraps within the page instead of running off it: all of it is there,
    // between its label and the next row's.
    const qsizetype site = report.indexOf(QStringLiteral("Склад №3"));
    QVERIFY(site >= 0);
    QCOMPARE(report.mid(site, report.indexOf(QStringLiteral("Участок"), site) - site).count(QLatin1Char('x')), 200);
    QVERIFY(!page.contains(QChar(1)));
}

QTEST_MAIN(tst_Commission)
#include "tst_commission.moc"
