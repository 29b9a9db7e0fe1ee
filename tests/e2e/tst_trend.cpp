// The trend window end to end: the real program polls the simulated unit while the test scripts
// its field and signal, and the window sums up what an installer walking the zone would see.
#include "connection/DetectorConnection.h"
#include "ProgramWithUnit.h"
#include "SimulatedDetector.h"
#include "connection/DetectorLink.h"
#include "connection/IniFile.h"
#include "dialogs/liter.h"
#include "panel/widgets.h"
#include "protocol/obmen.h"
#include "trend/ReportDialog.h"
#include "trend/SessionCsv.h"
#include "trend/SessionRecord.h"
#include "trend/TrendWindow.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

namespace {
const SessionSample* last() { return fmMain->record->last(); }


// Holds the field at value until the record has taken at least polls samples of it.
// A ceiling for a loaded machine, not a pace: each wait ends as soon as its condition holds.
constexpr int PATIENCE_MS = 60000;

bool holdField(SimulatedDetector& sim, int value, int polls = 1)
{
    sim.state().field = quint8(value);
    if (!QTest::qWaitFor([&] { return last() && last()->field == value; }, PATIENCE_MS))
        return false;
    const std::size_t from = fmMain->record->size();
    return QTest::qWaitFor([&] { return fmMain->record->size() >= from + std::size_t(polls); }, PATIENCE_MS);
}

bool holdSignal(SimulatedDetector& sim, int value)
{
    sim.state().signal = quint8(value);
    return QTest::qWaitFor([&] { return last() && last()->aligning() && last()->signal == value; }, PATIENCE_MS);
}

QString text(const QLabel* l) { return l->text(); }
}  // namespace

class tst_Trend : public QObject {
    Q_OBJECT
private slots:
    void dutyPeaksAndMargins();
    void alignmentMaxHold();
    void sizeHoldsAcrossModes();
    void opensWhereItStood_data();
    void opensWhereItStood();
    void csvHoldsEveryPoll();
    void commissioningReport();
};

void tst_Trend::dutyPeaksAndMargins()
{
    SimConfig config;
    config.threshold = 5;  // 1.5 V
    ProgramWithUnit rig(config);
    QVERIFY(rig.startPolling(PATIENCE_MS));
    QVERIFY(fmMain->bbTrend->isVisible());
    fmMain->bbTrend->click();
    TrendWindow* trend = fmMain->fmTrend;
    QVERIFY(trend && trend->isVisible());

    // Somebody crosses the zone twice: once well over the threshold, once only just.
    QVERIFY(holdField(rig.sim, 20, 400));
    for (int v : {100, 130, 100, 20})
        QVERIFY(holdField(rig.sim, v));
    QVERIFY(holdField(rig.sim, 20, 400));
    for (int v : {90, 20})
        QVERIFY(holdField(rig.sim, v));
    QVERIFY(holdField(rig.sim, 20, 400));

    trend->refresh();
    QCOMPARE(text(trend->laRest), QStringLiteral("Уровень покоя: 0.39 B"));
    QCOMPARE(text(trend->laPeak), QStringLiteral("Наибольший пик: 2.53 B"));
    QCOMPARE(text(trend->laMargin), QStringLiteral("Запас над порогом: +1.03 B"));
    QCOMPARE(text(trend->laCrossings), QStringLiteral("Пересечений порога: 2"));
    const QList<QPointF> peaks = trend->crossingPeaks->points();
    QCOMPARE(peaks.size(), 2);
    QCOMPARE(peaks[0].y(), 2.53);
    QCOMPARE(peaks[1].y(), 1.75);
    QCOMPARE(fmMain->record->dutySession().smallestMarginVolts, 90 * 3.0 / 154 - 1.5);
    QCOMPARE(trend->threshold->points().last().y(), 1.5);

    // The installer lowers the threshold: the line follows.
    fmMain->bbMinus->click();
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().threshold), 4, 5000);
    QVERIFY(holdField(rig.sim, 20, 50));
    trend->refresh();
    QCOMPARE(trend->threshold->points().last().y(), 1.4);

    // A dialog greys the main window; the trend goes on drawing what the unit reports.
    bool seenUnderDialog = false;
    QTimer::singleShot(0, fmLiter, [&] {
        rig.sim.state().field = 140;
        seenUnderDialog = QTest::qWaitFor(
            [&] { return text(trend->laPeak) == QStringLiteral("Наибольший пик: 2.73 B"); }, 10000);
        fmLiter->reject();
    });
    fmMain->bbLiter->click();
    QVERIFY(seenUnderDialog);
}

void tst_Trend::alignmentMaxHold()
{
    SimConfig config;
    config.mode = 1;
    config.signal = 60;
    ProgramWithUnit rig(config);
    QVERIFY(rig.startPolling(PATIENCE_MS));
    fmMain->bbTrend->click();
    TrendWindow* trend = fmMain->fmTrend;

    // The installer turns the unit slowly: the signal rises, peaks and falls off.
    for (int v : {60, 100, 140, 120, 90})
        QVERIFY(holdSignal(rig.sim, v));
    trend->refresh();
    QVERIFY(trend->laMaxHold->isVisible());
    QVERIFY(!trend->laPeak->isVisible());
    QVERIFY(trend->laMaxHold->text().startsWith(QStringLiteral("Максимум: 2.75 B (избыточный)")));
    QCOMPARE(text(trend->laSignal), QStringLiteral("Сигнал: 1.76 B (норма)"));
    const QList<QPointF> held = trend->maxHold->points();
    QCOMPARE(held.size(), 1);
    QCOMPARE(held[0].y(), 2.75);

    QVERIFY(holdSignal(rig.sim, 150));
    trend->refresh();
    QCOMPARE(text(trend->laSignal), QStringLiteral("Сигнал: 2.94 B (избыточный)"));
    QVERIFY(trend->laMaxHold->text().startsWith(QStringLiteral("Максимум: 2.94 B (избыточный)")));

    // The installer turned past the best position: max-hold starts again from here.
    QVERIFY(holdSignal(rig.sim, 90));
    QVERIFY(trend->bbResetMax->isVisible());
    trend->bbResetMax->click();
    QCOMPARE(text(trend->laMaxHold), QStringLiteral("Максимум: 1.76 B (норма)"));
    QVERIFY(holdSignal(rig.sim, 100));
    trend->refresh();
    QCOMPARE(text(trend->laMaxHold), QStringLiteral("Максимум: 1.96 B (норма)"));
}

void tst_Trend::sizeHoldsAcrossModes()
{
    SimConfig config;
    config.threshold = 5;
    ProgramWithUnit rig(config);
    QVERIFY(rig.startPolling(PATIENCE_MS));
    fmMain->bbTrend->click();
    TrendWindow* trend = fmMain->fmTrend;
    QVERIFY(trend && trend->isVisible());
    const QSize opened = trend->size();

    // The installer aims the units and goes back on duty, again and again, while the figures
    // under the chart change their length: the window, and its buttons, stay where they are.
    for (int round = 0; round < 10; ++round) {
        const bool aligning = round % 2 == 0;
        const int signal = 60 + 9 * round, field = 100 + 5 * round;
        (aligning ? fmMain->sbUst : fmMain->sbRabota)->click();
        QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().mode), aligning ? 1 : 0, PATIENCE_MS);
        rig.sim.state().signal = quint8(signal);
        rig.sim.state().field = quint8(field);
        QVERIFY(QTest::qWaitFor([&] {
            return last() && last()->aligning() == aligning && (aligning ? last()->signal == signal : last()->field == field);
        }, PATIENCE_MS));
        trend->refresh();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCOMPARE(trend->laMaxHold->isVisible(), aligning);
        QCOMPARE(trend->size(), opened);
    }
}

void tst_Trend::opensWhereItStood_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QRect>("expected");  // empty: anywhere on the screen
    QTest::newRow("first time") << QByteArray() << QRect();
    QTest::newRow("where it stood") << QByteArray("LEFT=12\r\nTOP=34\r\nWIDTH=600\r\nHEIGHT=400\r\n")
                                    << QRect(12, 34, 600, 400);
    QTest::newRow("on a monitor since unplugged")
        << QByteArray("LEFT=3000\r\nTOP=34\r\nWIDTH=600\r\nHEIGHT=400\r\n") << QRect();
    QTest::newRow("half a record") << QByteArray("LEFT=12\r\nWIDTH=600\r\n") << QRect();
}

void tst_Trend::opensWhereItStood()
{
    QFETCH(QByteArray, saved);
    QFETCH(QRect, expected);
    ProgramWithUnit rig;
    QVERIFY(rig.startPolling(PATIENCE_MS));
    if (!saved.isEmpty()) {
        QFile file(fmMain->SettingsFileName());
        QVERIFY(file.open(QIODevice::Append));
        file.write("[TREND]\r\n" + saved);
    }
    fmMain->bbTrend->click();
    TrendWindow* trend = fmMain->fmTrend;
    QVERIFY(trend && trend->isVisible());
    if (expected.isValid())
        QCOMPARE(QRect(trend->pos(), trend->size()), expected);
    else
        QVERIFY2(fmMain->screen()->availableGeometry().contains(trend->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2").arg(trend->x()).arg(trend->y())));

    // Moved and closed: the next program opens it there.
    trend->move(40, 30);
    trend->resize(640, 420);
    trend->close();
    IniFile ini;
    ini.load(fmMain->SettingsFileName());
    for (const auto& [key, value] : {std::pair{"LEFT", 40}, {"TOP", 30}, {"WIDTH", 640}, {"HEIGHT", 420}})
        QCOMPARE(ini.readInteger("TREND", key, -1), value);
}

void tst_Trend::csvHoldsEveryPoll()
{
    ProgramWithUnit rig;
    QVERIFY(rig.startPolling(PATIENCE_MS));

    // One sample per accepted reply while polling, nothing for the search before it.
    const std::size_t before = fmMain->record->size();
    QSignalSpy replies(fmMain->connection->link, &DetectorLink::replyAccepted);
    QTRY_VERIFY_WITH_TIMEOUT(replies.size() >= 100, PATIENCE_MS);
    QCOMPARE(fmMain->record->size() - before, std::size_t(replies.size()));

    const QString path = rig.program.file(QStringLiteral("session.csv"));
    QString error;
    QVERIFY2(writeSessionCsv(*fmMain->record, path, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(std::size_t(lines.size()), 1 + fmMain->record->size() + 1);
    QVERIFY(lines[0].startsWith("time,unit,model,firmware,address,mode,field,threshold,signal,alarm"));
    // Every row names the unit; the field (20, 0.39 V) and the threshold (2.5 V) stand only in
    // the rows of the replies that carried them.
    const QByteArray firmware =
        QByteArray::number(fmMain->Detector.FVersPr[0]) + '.' + QByteArray::number(fmMain->Detector.FVersPr[1]);
    const QList<QByteArray> unit{"receiver", QByteArray::number(fmMain->Detector.FIdent), firmware, "0"};
    QMap<QByteArray, int> fields, thresholds;
    for (int i = 1; i < lines.size() - 1; ++i) {
        const QList<QByteArray> cells = lines[i].split(',');
        QCOMPARE(cells.size(), 15);
        QCOMPARE(cells.mid(1, 4), unit);
        ++fields[cells[6]];
        ++thresholds[cells[7]];
    }
    QCOMPARE(fields.keys(), (QList<QByteArray>{"", "0.39"}));
    QCOMPARE(thresholds.keys(), (QList<QByteArray>{"", "2.50"}));
}

void tst_Trend::commissioningReport()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed: scripts/deps.sh installs it");
    SimConfig config;
    config.threshold = 5;
    config.model = 22;
    config.letterIndex = 2;
    ProgramWithUnit rig(config);
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(polling() && fmMain->SettingDialogsAllowed(), PATIENCE_MS);
    fmMain->bbTrend->click();

    QVERIFY(holdField(rig.sim, 20, 400));
    for (int v : {100, 130, 20})
        QVERIFY(holdField(rig.sim, v));
    QVERIFY(holdField(rig.sim, 20, 400));
    fmMain->sbUst->click();
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.sim.state().mode), 1, 5000);
    for (int v : {140, 90})
        QVERIFY(holdSignal(rig.sim, v));

    // The installer asks for the report: site and name, then the file.
    const QString path = rig.program.file(QStringLiteral("протокол.pdf"));
    QTimer::singleShot(0, fmMain, [&] {
        auto* ask = qobject_cast<ReportDialog*>(QApplication::activeModalWidget());
        if (!ask)
            return;
        ask->leSite->setText(QStringLiteral("Склад №3, участок 2"));
        ask->leInstaller->setText(QStringLiteral("Иванов И. И."));
        QTimer::singleShot(0, fmMain, [&] {
            if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                files->selectFile(path);
                QMetaObject::invokeMethod(files, "accept");
            }
        });
        ask->accept();
    });
    fmMain->fmTrend->bbReport->click();
    QVERIFY(QFileInfo(path).size() > 0);

    QProcess convert;
    convert.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    QVERIFY(convert.waitForFinished(30000));
    QCOMPARE(convert.exitCode(), 0);
    const QString report = QString::fromUtf8(convert.readAllStandardOutput()).simplified();
    const QStringList expected{
        QStringLiteral("Протокол настройки"),
        QStringLiteral("Объект Склад №3, участок 2"),
        QStringLiteral("Монтажник Иванов И. И."),
        QStringLiteral("Извещатель не подключался ДОРВИК-М100"),
        QStringLiteral("Прошивка 1.5"),
        QStringLiteral("Адрес 0"),
        QStringLiteral("Литера 3"),
        QStringLiteral("Передатчик в этом сеансе работы не подключался"),
        QStringLiteral("Порог 1.5 В"),
        QStringLiteral("Режим юстировка"),
        // Still aligning when the record was made; the maximum was too strong, and says so.
        QStringLiteral("Сигнал (юстировка продолжается) 1.76 В, норма"),
        QStringLiteral("Наибольший сигнал 2.75 В, избыточный — вне нормы"),
        QStringLiteral("Проверка зоны в этом сеансе не проводилась."),
        QStringLiteral("Порт ") + rig.sim.slavePath() + QStringLiteral(", 57600 бит/с, код модели 22"),
    };
    for (const QString& line : expected)
        QVERIFY2(report.contains(line), qPrintable(line + QStringLiteral(" not in: ") + report));

    // The site and the name are kept in the settings file and offered again next time.
    IniFile ini;
    ini.load(fmMain->SettingsFileName());
    QCOMPARE(ini.value("REPORT", "SITE").value_or(QByteArray()), QStringLiteral("Склад №3, участок 2").toUtf8());
    QString offered;
    QTimer::singleShot(0, fmMain, [&] {
        if (auto* ask = qobject_cast<ReportDialog*>(QApplication::activeModalWidget())) {
            offered = ask->leSite->text() + QLatin1Char('/') + ask->leInstaller->text();
            ask->reject();
        }
    });
    fmMain->fmTrend->bbReport->click();
    QCOMPARE(offered, QStringLiteral("Склад №3, участок 2/Иванов И. И."));
}

QTEST_MAIN(tst_Trend)
#include "tst_trend.moc"
