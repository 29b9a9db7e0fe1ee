// The command line: what each argument settles, and the one error box that ends the program.
#include "MessageBoxCatcher.h"
#include "ProgramFixture.h"
#include "connection/params.h"
#include "panel/startup.h"
#include "connection/texts.h"
#include "protocol/commands.h"

#include <QLabel>
#include <QListWidget>
#include <QtTest>
#include <memory>

namespace {
// Everything param_analyze may settle, on one line.
QString summary(const CommandLine& c)
{
    const RParamStruct& p = c.ParamStruct;
    return QStringLiteral("addr %1 %2 %3 | baud %4 %5 %6 | com %7 %8 %9 [%10] | prot %11")
        .arg(p.is_addr)
        .arg(p.val_addr)
        .arg(c.addr)
        .arg(p.is_baud)
        .arg(p.baud_ind)
        .arg(p.val_baud)
        .arg(p.is_com)
        .arg(p.val_com, p.comp_name, c.ComPortList.join(QLatin1Char(',')))
        .arg(c.showLog);
}

const QString kDefaults = QStringLiteral("addr 0 0 0 | baud 0 4 57600 | com 0   [] | prot 0");
}  // namespace

class tst_Params : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void analyze_data();
    void analyze();
    void playback_data();
    void playback();
    void refusedCommandLineEndsTheProgram();

private:
    QTemporaryDir FSettings;
};

void tst_Params::initTestCase() { qputenv("DORVIK_SETTINGS_DIR", FSettings.path().toLocal8Bit()); }

void tst_Params::analyze_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("ports");
    QTest::addColumn<QString>("error");  // the error's own text; empty when accepted
    QTest::addColumn<QString>("state");

    const QString addrError = QString::fromUtf8(PARAM_ERROR_ADDR);
    const QString baudError = QString::fromUtf8(PARAM_ERROR_BAUD);
    const QString comError = QString::fromUtf8(PARAM_ERROR_COM);
    const QString protError = QString::fromUtf8(PARAM_ERROR_PROT);

    QTest::newRow("none") << QStringList() << "COM1" << QString() << kDefaults;
    QTest::newRow("four valid") << QStringList{"-ADDR7", "-BAUD9600", "-COM2", "-PROT"} << "COM1:COM2"
                                << QString()
                                << "addr 1 7 7 | baud 1 1 9600 | com 1 2 COM2 [COM2] | prot 1";
    QTest::newRow("five, all valid") << QStringList{"-ADDR7", "-BAUD9600", "-COM2", "-PROT", "-PROT"}
                                     << "COM2" << QString::fromUtf8(PARAM_ERROR_COUNT) << kDefaults;
    QTest::newRow("lower case") << QStringList{"-addr5"} << "" << QString()
                                << "addr 1 5 5 | baud 0 4 57600 | com 0   [] | prot 0";
    QTest::newRow("-ADDR0") << QStringList{"-ADDR0"} << "" << addrError << kDefaults;
    QTest::newRow("-ADDR256") << QStringList{"-ADDR256"} << "" << addrError << kDefaults;
    QTest::newRow("bare -ADDR") << QStringList{"-ADDR"} << "" << addrError << kDefaults;
    QTest::newRow("-ADDR5X") << QStringList{"-ADDR5X"} << "" << addrError << kDefaults;
    QTest::newRow("-ADDR-5") << QStringList{"-ADDR-5"} << "" << addrError << kDefaults;
    QTest::newRow("-ADDR$") << QStringList{"-ADDR$"} << "" << addrError << kDefaults;
    QTest::newRow("huge") << QStringList{"-ADDR99999999999999999999"} << "" << addrError << kDefaults;
    QTest::newRow("-ADDR$10") << QStringList{"-ADDR$10"} << "" << QString()
                              << "addr 1 $10 16 | baud 0 4 57600 | com 0   [] | prot 0";
    QTest::newRow("-addr0xff") << QStringList{"-addr0xff"} << "" << QString()
                               << "addr 1 0XFF 255 | baud 0 4 57600 | com 0   [] | prot 0";
    QTest::newRow("-ADDRx1F") << QStringList{"-ADDRx1F"} << "" << QString()
                              << "addr 1 X1F 31 | baud 0 4 57600 | com 0   [] | prot 0";
    QTest::newRow("-ADDR+9") << QStringList{"-ADDR+9"} << "" << QString()
                             << "addr 1 +9 9 | baud 0 4 57600 | com 0   [] | prot 0";
    QTest::newRow("later wins") << QStringList{"-ADDR5", "-ADDR9"} << "" << QString()
                                << "addr 1 9 9 | baud 0 4 57600 | com 0   [] | prot 0";
    QTest::newRow("stops at first error") << QStringList{"-ADDR5", "-BAUD1", "-ADDR9"} << "" << baudError
                                          << "addr 1 5 5 | baud 0 4 57600 | com 0   [] | prot 0";
    QTest::newRow("-BAUD115200") << QStringList{"-baud115200"} << "" << QString()
                                 << "addr 0 0 0 | baud 1 5 115200 | com 0   [] | prot 0";
    QTest::newRow("-BAUD9601") << QStringList{"-BAUD9601"} << "" << baudError << kDefaults;
    QTest::newRow("-BAUD56000") << QStringList{"-BAUD56000"} << "" << baudError << kDefaults;
    QTest::newRow("bare -BAUD") << QStringList{"-BAUD"} << "" << baudError << kDefaults;
    QTest::newRow("-COM3 missing") << QStringList{"-COM3"} << "COM1:COM30"
                                   << QString::fromUtf8(PARAM_ERROR_PORT)
                                   << "addr 0 0 0 | baud 0 4 57600 | com 0  COM3 [] | prot 0";
    QTest::newRow("-COM0") << QStringList{"-COM0"} << "COM1" << comError << kDefaults;
    QTest::newRow("-COM256") << QStringList{"-COM256"} << "COM1" << comError << kDefaults;
    QTest::newRow("-COM05") << QStringList{"-COM05"} << "COM1:COM5" << QString()
                            << "addr 0 0 0 | baud 0 4 57600 | com 1 05 COM5 [COM5] | prot 0";
    QTest::newRow("system spells it in lower case") << QStringList{"-COM7"} << "com7" << QString()
                                                    << "addr 0 0 0 | baud 0 4 57600 | com 1 7 COM7 [com7] | prot 0";
    QTest::newRow("device path") << QStringList{"-com/dev/null"} << "COM1" << QString()
                                 << "addr 0 0 0 | baud 0 4 57600 | com 1 /dev/null /dev/null [/dev/null] | prot 0";
    QTest::newRow("missing device") << QStringList{"-COM/dev/no-such-port"} << "COM1" << comError
                                    << kDefaults;
    QTest::newRow("-PROTOCOL") << QStringList{"-PROTOCOL"} << "" << QString()
                               << "addr 0 0 0 | baud 0 4 57600 | com 0   [] | prot 1";
    QTest::newRow("X-PROT") << QStringList{"X-PROT"} << "" << protError << kDefaults;
    QTest::newRow("ignored") << QStringList{"/debug", "-ВЕРБОЗ"} << "" << QString() << kDefaults;
    // Four arguments of 100 kB: judged like any other, without a hang.
    const QString longText(100000, QLatin1Char('Q'));
    QTest::newRow("four long, ignored") << QStringList{longText, longText, longText, longText} << "" << QString()
                                        << kDefaults;
    QTest::newRow("four long, refused") << QStringList{"-ADDR" + QString(100000, QLatin1Char('9')), longText,
                                                       longText, longText}
                                        << "" << addrError << kDefaults;
    QTest::newRow("two keywords") << QStringList{"-BAUD9600-ADDR5"} << "" << addrError << kDefaults;
}

void tst_Params::playback_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("pace");
    QTest::newRow("file") << QStringList{"--play", "a.dcap"} << true << "a.dcap" << 1;
    QTest::newRow("upper case, ten times") << QStringList{"--PACE", "10", "--PLAY", "a.dcap"} << true << "a.dcap" << 10;
    QTest::newRow("fastest") << QStringList{"--play", "a.dcap", "--pace", "MAX"} << true << "a.dcap" << 0;
    // A file name is taken as it is, even one that looks like an option of ours.
    QTest::newRow("file named like an option") << QStringList{"--play", "-prot-x.dcap"} << true << "-prot-x.dcap" << 1;
    QTest::newRow("not counted against the four")
        << QStringList{"-ADDR1", "-BAUD9600", "-PROT", "/x", "--play", "a.dcap", "--pace", "1"} << true << "a.dcap" << 1;
    QTest::newRow("no file") << QStringList{"--play"} << false << "" << 1;
    QTest::newRow("pace of nothing") << QStringList{"--pace", "10"} << false << "" << 1;
    QTest::newRow("unknown pace") << QStringList{"--play", "a.dcap", "--pace", "2"} << false << "a.dcap" << 1;
}

void tst_Params::playback()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);
    QFETCH(QString, file);
    QFETCH(int, pace);
    CommandLine commandLine(arguments);
    QCOMPARE(commandLine.param_analyze(), accepted);
    QCOMPARE(commandLine.errorText().isEmpty(), accepted);
    if (accepted) {
        QCOMPARE(commandLine.playFile, file);
        QCOMPARE(commandLine.playPace, pace);
    }
}

void tst_Params::analyze()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, ports);
    QFETCH(QString, error);
    QFETCH(QString, state);
    qputenv("DORVIK_SERIAL_PORTS", ports.toLocal8Bit());

    CommandLine commandLine(arguments);
    const bool accepted = commandLine.param_analyze();

    QCOMPARE(accepted, error.isEmpty());
    QCOMPARE(commandLine.errorText(), error.isEmpty() ? QString()
                                                      : QString::fromUtf8(PARAM_ERROR_HEAD) + arguments.join(' ') + ' ' +
                                                            error + QString::fromUtf8(PARAM_ERROR_TAIL));
    QCOMPARE(summary(commandLine), state);
}

void tst_Params::refusedCommandLineEndsTheProgram()
{
    ProgramFixture program;
    const auto writeFile = [&](const char* name, const QByteArray& bytes) {
        QFile f(program.file(QString::fromUtf8(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    writeFile(CONNECT_LOG_FILE, "previous search\r\n");
    // Opened only for an accepted command line: the last run's report stays.
    writeFile(REPORT_FILE, "5.3.2026.  9:15:7 previous run\r\n");
    MessageBoxCatcher catcher;
    program.start({"-ADDR0"});
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(catcher.boxes[0].text, QString::fromUtf8(PARAM_ERROR_HEAD) + "-ADDR0 " + QString::fromUtf8(PARAM_ERROR_ADDR) +
                                        QString::fromUtf8(PARAM_ERROR_TAIL));
    // Closed from the loop, never having appeared, with no search started.
    QTRY_VERIFY(fmMain->testAttribute(Qt::WA_DontShowOnScreen) && !fmMain->isVisible());
    QVERIFY(fmMain->lbStepInit->count() == 0);
    QCOMPARE(programExitCode(), 1);
    QCOMPARE(program.readFile(QString::fromUtf8(CONNECT_LOG_FILE)), QByteArray("previous search\r\n"));
    QCOMPARE(program.readFile(QString::fromUtf8(REPORT_FILE)), QByteArray("5.3.2026.  9:15:7 previous run\r\n"));
    QVERIFY(QFile::exists(QDir(FSettings.path()).filePath(QString::fromUtf8(SETTINGS_FILE))));
}

QTEST_MAIN(tst_Params)
#include "tst_params.moc"
