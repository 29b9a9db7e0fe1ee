// The search over the serial ports and the watch over replies, end to end: the real window
// against simulated detectors on pseudo-terminals.
#include "connection/DetectorConnection.h"
#include "MessageBoxCatcher.h"
#include "ProgramFixture.h"
#include "SimulatedDetector.h"
#include "connection/TextCodec.h"
#include "connection/texts.h"
#include "panel/texts.h"
#include "panel/state_texts.h"
#include "serial/PortDiagnosis.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// A port with nothing behind it that answers.
std::unique_ptr<SimulatedDetector> silentPort()
{
    SimConfig config;
    config.kind = SimConfig::Empty;
    auto sim = std::make_unique<SimulatedDetector>(config);
    return sim->open() ? std::move(sim) : nullptr;
}

}  // namespace

class tst_Search : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void receiverOnTheSecondPort();
    void nextPortContinuesTheSeries();
    void noDetectorOnAnyPort();
    void missingPortsArePassedAtOnce();
    void noPortsThenFindAgain();
    void linkLostAndRecovered();
    void closedDuringTheSearchPause();
    void portTroubleTexts_data();
    void portTroubleTexts();
    void portTroubleLines_data();
    void portTroubleLines();

private:
    QTemporaryDir FSettings;
};

namespace {
// What the log says of a port where nothing answers at any speed.
QStringList emptyPortLines(const QString& port)
{
    QStringList lines{text(LOG_ATTEMPT) + port, text(LOG_FAILURE)};
    for (const char* speed : {"57600", "9600", "19200", "38400", "115200"})
        lines << text(LOG_ATTEMPT_SPEED) + speed << text(LOG_FAILURE);
    return lines;
}
}  // namespace

void tst_Search::initTestCase() { qputenv("DORVIK_SETTINGS_DIR", FSettings.path().toLocal8Bit()); }

void tst_Search::receiverOnTheSecondPort()
{
    auto empty = silentPort();
    QVERIFY(empty);
    SimConfig config;
    config.address = 7;
    SimulatedDetector receiver(config);
    QVERIFY(receiver.open());
    ProgramFixture program({empty->slavePath(), receiver.slavePath()});
    program.start({"-ADDR7"});
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply() && receiver.requests().size() > 8, 10000);

    const QStringList expected = QStringList{text(LOG_ADDRESS) + "7", text(LOG_SPEED_4800)} +
                                 emptyPortLines(empty->slavePath()) +
                                 QStringList{
                                     text(LOG_ATTEMPT) + receiver.slavePath(),
                                     text(LOG_SUCCESS),
                                     text(LOG_SPEED_SWITCH) + "57600",
                                 };
    QCOMPARE(logLines(), expected);
    const QByteArray file = program.readFile(text(CONNECT_LOG_FILE));
    QCOMPARE(file, linesToCp1251(expected));
    QVERIFY(file.startsWith("\xCE\xE1\xEC\xE5\xED c "));  // "Обмен c" with a Latin c

    // The empty port is asked once at each speed, 4800 first, then the working speed.
    QCOMPARE(empty->requests().size(), 6);
    QList<int> bauds;
    for (const SimRequest& r : empty->requests()) {
        QCOMPARE(int(r.code), 100);
        bauds << r.baud;
    }
    QCOMPARE(bauds, (QList<int>{4800, 57600, 9600, 19200, 38400, 115200}));
    for (const SimRequest& r : empty->requests() + receiver.requests())
        QCOMPARE(int(r.addr), 7);
}

void tst_Search::nextPortContinuesTheSeries()
{
    // A unit that answers the first request and then falls silent.
    SimulatedDetector first;
    QVERIFY(first.open());
    connect(&first, &SimulatedDetector::replySent, &first, [&] { first.setSilent(true); });
    SimulatedDetector second;
    QVERIFY(second.open());
    ProgramFixture program({first.slavePath(), second.slavePath()});
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 10000);
    QCOMPARE(int(first.requests().value(0).code), 100);
    QVERIFY(first.requests().value(0).answered);
    // The second port is asked where the first stopped, not from the start of the series.
    QCOMPARE(int(second.requests().value(0).code), 38);
}

void tst_Search::noDetectorOnAnyPort()
{
    auto a = silentPort(), b = silentPort(), c = silentPort();
    QVERIFY(a && b && c);
    ProgramFixture program({a->slavePath(), b->slavePath(), c->slavePath()});
    // A log that cannot be written costs one message, not one per step, and the search goes on.
    QVERIFY(QDir().mkdir(program.file(text(CONNECT_LOG_FILE))));
    MessageBoxCatcher catcher;
    program.start();
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stMessage->text(), text(MSG_NOT_FOUND), 30000);

    QCOMPARE(logLines().count(text(LOG_FAILURE)), 3 * 6);
    QCOMPARE(logLines().size(), 2 + 3 * 12);
    QCOMPARE(fmMain->stText->text(), text(C1));
    QCOMPARE(fmMain->bbFind->text(), text(CAPT_BB_FIND));
    QVERIFY(fmMain->bbFind->isEnabled());
    QVERIFY(fmMain->bbInitClose->isEnabled());
    QVERIFY(!DispObmen->FlagScanPorts);
    QVERIFY(!fmMain->connection->COMP->Connected());
    for (const auto* sim : {a.get(), b.get(), c.get()})
        QCOMPARE(sim->requests().size(), 6);
    QCOMPARE(catcher.boxes.size(), 1);
    QVERIFY(catcher.boxes[0].text.contains(program.file(text(CONNECT_LOG_FILE))));
    // Nothing starts by itself afterwards.
    QTest::qWait(1500);
    QCOMPARE(a->requests().size(), 6);
}

void tst_Search::missingPortsArePassedAtOnce()
{
    // Listed but gone (an adapter unplugged since the list was made): nothing to wait for.
    QStringList ports;
    for (int i = 0; i < 100; ++i)
        ports << QStringLiteral("/dev/dorvik-missing-%1").arg(i);
    SimulatedDetector receiver;
    QVERIFY(receiver.open());
    ProgramFixture program(ports + QStringList{receiver.slavePath()});
    program.start();
    // About 0.1 s a gone port; a full reply wait each would take nearly two minutes.
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 50000);
    const QStringList log = logLines();
    for (const QString& port : std::as_const(ports)) {
        const int at = log.indexOf(text(LOG_ATTEMPT) + port);
        QVERIFY(at > 0);
        QCOMPARE(log.value(at + 1), text(LOG_FAILURE));
        QVERIFY(!log.value(at + 2).startsWith(text(LOG_ATTEMPT_SPEED)));
    }
}

void tst_Search::noPortsThenFindAgain()
{
    ProgramFixture program;
    {
        QFile f(program.file(text(CONNECT_LOG_FILE)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("previous search\r\n");
    }
    program.start();
    QTRY_COMPARE(fmMain->stMessage->text(), text(MSG_NO_PORTS));
    QCOMPARE(fmMain->stText->text(), text(C1));
    QCOMPARE(fmMain->bbFind->text(), text(CAPT_BB_REPAIR));
    QVERIFY(fmMain->bbFind->isEnabled());
    QCOMPARE(program.readFile(text(CONNECT_LOG_FILE)), QByteArray("previous search\r\n"));

    // The port list is read again for every search.
    SimulatedDetector receiver;
    QVERIFY(receiver.open());
    qputenv("DORVIK_SERIAL_PORTS", receiver.slavePath().toLocal8Bit());
    fmMain->bbFind->click();
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 10000);
    QCOMPARE(logLines().value(2), text(LOG_ATTEMPT) + receiver.slavePath());
}

void tst_Search::linkLostAndRecovered()
{
    auto other = silentPort();
    QVERIFY(other);
    SimulatedDetector receiver;
    QVERIFY(receiver.open());
    ProgramFixture program({other->slavePath(), receiver.slavePath()});
    QStringList countdown;
    QString messageWhenCountdownEnded;
    connect(fmMain->leRepair, &QLineEdit::textChanged, [&](const QString& t) {
        countdown << t;
        // The new search shows its message before it pauses; look from inside that pause.
        if (t == QLatin1String("0") && fmMain->connection->tiRepair->isActive())
            QTimer::singleShot(0, [&] { messageWhenCountdownEnded = fmMain->stMessage->text(); });
    });
    // Only the named port is tried, in the first search and in the one after the loss.
    program.start({"-COM" + receiver.slavePath()});
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 10000);
    countdown.clear();

    program.alarm()->start();  // an alarm sounding when the link goes
    receiver.setSilent(true);
    QTRY_COMPARE_WITH_TIMEOUT(fmMain->stMessage->text(), text(MSG_LINK_LOST), 5000);
    QVERIFY(!fmMain->connection->FlagReply());
    QVERIFY(!program.alarm()->playing());
    QVERIFY(!fmMain->paKn->isVisibleTo(fmMain));
    QCOMPARE(fmMain->stText->text(), text(C2));
    QCOMPARE(fmMain->bbFind->text(), text(CAPT_BB_REPAIR));
    QVERIFY(!fmMain->bbFind->isEnabled());
    QVERIFY(fmMain->bbInitClose->isEnabled());
    QVERIFY(fmMain->leRepair->isEnabled());
    QCOMPARE(logLines().last(), text(LOG_FAILURE));
    const QByteArray report = program.readFile(text(REPORT_FILE));
    QCOMPARE(report.count("\r\n"), 1);
    QVERIFY(report.endsWith(" " + toCp1251(text(EVENT_LINK_LOST)) + "\r\n"));

    // The unit comes back as after a power cut: at its search speed.
    receiver.state().baud = 4800;
    receiver.setSilent(false);
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->connection->FlagReply(), 20000);
    QCOMPARE(countdown, (QStringList{"12", "11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "0"}));
    QCOMPARE(messageWhenCountdownEnded, text(MSG_WAIT));
    QVERIFY(!fmMain->leRepair->isEnabled());
    QCOMPARE(logLines().value(2), text(LOG_ATTEMPT) + receiver.slavePath());
    QCOMPARE(other->requests().size(), 0);
}

void tst_Search::closedDuringTheSearchPause()
{
    SimulatedDetector receiver;
    QVERIFY(receiver.open());
    const QString settings = QDir(FSettings.path()).filePath(text(SETTINGS_FILE));
    QFile::remove(settings);
    ProgramFixture program({receiver.slavePath()});
    program.alarm()->start();
    // The close arrives while the search waits before its first attempt.
    QTimer::singleShot(100, fmMain, &QWidget::close);
    program.start();
    QTRY_VERIFY(!fmMain->isVisible());
    QVERIFY(!program.alarm()->playing());
    // Past the end of the pause: the step it would have taken is gone with the window.
    QTest::qWait(700);
    QCOMPARE(receiver.requests().size(), 0);
    QVERIFY(!fmMain->connection->COMP->Connected());
    QVERIFY(QFile::exists(settings));
}

void tst_Search::portTroubleTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("shown");
    auto row = [](const char* name, PortTrouble::Kind kind, const char* holder, const char* shown) {
        QTest::newRow(name) << int(kind) << QString::fromUtf8(holder) << QString::fromUtf8(shown);
    };
    row("no permission", PortTrouble::NoPermission, "",
        "Нет доступа к порту /dev/ttyUSB3: добавьте пользователя в группу dialout и войдите в систему заново.");
    row("held by a named program", PortTrouble::Busy, "minicom",
        "Порт /dev/ttyUSB3 занят программой minicom: закройте её и повторите поиск.");
    row("held by the modem daemon", PortTrouble::Busy, "ModemManager",
        "Порт /dev/ttyUSB3 занят программой ModemManager: установите правила udev из пакета или "
        "остановите ModemManager.");
    row("held by the braille daemon", PortTrouble::Busy, "brltty",
        "Порт /dev/ttyUSB3 занят программой brltty: удалите пакет brltty, он захватывает адаптеры USB.");
    row("held by a program the system hides", PortTrouble::Busy, "",
        "Порт /dev/ttyUSB3 занят другой программой: закройте её и повторите поиск.");
    row("gone", PortTrouble::Gone, "", "Порт /dev/ttyUSB3 пропал из системы: проверьте кабель USB.");
}

void tst_Search::portTroubleTexts()
{
    QFETCH(int, kind);
    QFETCH(QString, holder);
    ProgramFixture program;
    fmMain->ShowPortTroubles({PortTrouble{PortTrouble::Kind(kind), QStringLiteral("/dev/ttyUSB3"), holder}});
    QTEST(fmMain->stPortTrouble->text(), "shown");
}

void tst_Search::portTroubleLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("lines");
    // The connection log takes the room below the explanation.
    QTest::newRow("connection log shown") << QStringList{"-PROT"} << 1;
    QTest::newRow("no connection log") << QStringList() << 3;
}

void tst_Search::portTroubleLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, lines);
    QStringList ports, troubles;
    for (int i = 1; i <= 4; ++i) {
        ports << QStringLiteral("/dev/ttyDorvikGone%1").arg(i);
        troubles << QString::fromUtf8("Порт %1 пропал из системы: проверьте кабель USB.").arg(ports.last());
    }
    ProgramFixture program(ports);
    program.start(arguments);
    QTRY_VERIFY_WITH_TIMEOUT(fmMain->stPortTrouble->isVisible(), 20000);
    QCOMPARE(fmMain->stMessage->text(), text(MSG_NOT_FOUND));
    QCOMPARE(fmMain->stPortTrouble->text(), troubles.mid(0, lines).join(QLatin1Char('\n')));
}

QTEST_MAIN(tst_Search)
#include "tst_search.moc"
