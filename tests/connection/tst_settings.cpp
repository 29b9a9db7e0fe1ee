// The settings file: INI text kept as it was apart from our four keys, and defaults from
// whatever else may lie in its place; a file that could not be read is never written over.
#include "MessageBoxCatcher.h"
#include "ProgramFixture.h"
#include "connection/IniFile.h"
#include "connection/texts.h"
#include "panel/widgets.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>
#include <memory>
#include <unistd.h>

class tst_Settings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void integers_data();
    void integers();
    void writingKeepsForeignText();
    void writingCreatesFileAndSection();
    void ring_data();
    void ring();
    void aimingToneSwitch_data();
    void aimingToneSwitch();
    void savedPosition_data();
    void savedPosition();
    void damagedFiles_data();
    void damagedFiles();
    void unreadableFileKept_data();
    void unreadableFileKept();
    void byteOrderMarkKept();

private:
    QString path() const { return FDir.filePath(QStringLiteral("KVR_Dorvik.con")); }
    void writeSettings(const QByteArray& bytes);
    QTemporaryDir FDir;
    std::unique_ptr<ProgramFixture> FProgram;
};

void tst_Settings::initTestCase()
{
    qputenv("DORVIK_SETTINGS_DIR", FDir.path().toLocal8Bit());
    FProgram = std::make_unique<ProgramFixture>();
}

void tst_Settings::cleanupTestCase() { FProgram.reset(); }

void tst_Settings::writeSettings(const QByteArray& bytes)
{
    QFile::remove(path());
    QFile f(path());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void tst_Settings::integers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");  // -999 stands for "not an integer"
    QTest::newRow("decimal") << QByteArray("120") << 120;
    QTest::newRow("negative") << QByteArray("-35") << -35;
    QTest::newRow("plus") << QByteArray("+7") << 7;
    QTest::newRow("blanks") << QByteArray(" 42 ") << 42;
    QTest::newRow("dollar hex") << QByteArray("$1F") << 31;
    QTest::newRow("0x hex") << QByteArray("0x1f") << 31;
    QTest::newRow("negative hex") << QByteArray("-$10") << -16;
    QTest::newRow("all ones") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("int min") << QByteArray("-2147483648") << int(0x80000000);
    QTest::newRow("too big") << QByteArray("2147483648") << -999;
    QTest::newRow("empty") << QByteArray("") << -999;
    QTest::newRow("bare prefix") << QByteArray("$") << -999;
    QTest::newRow("trailing text") << QByteArray("12a") << -999;
    QTest::newRow("hex digit in decimal") << QByteArray("1F") << -999;
    QTest::newRow("word") << QByteArray("true") << -999;
}

void tst_Settings::integers()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(IniFile::parseInteger(text).value_or(-999), value);
}

void tst_Settings::writingKeepsForeignText()
{
    // Section and key in another case, a foreign key in the same section, a Cyrillic value
    // in windows-1251, a comment, and sections before and after.
    writeSettings("; kept\r\n[Other]\r\nA=1\r\n\r\n[interf]\r\ntop = 5\r\nX=\xcf\xf0\xe8\r\n\r\n"
                  "[Last]\r\nRING=7\n");
    IniFile ini;
    ini.load(path());
    ini.writeInteger("TOP", "TOP", 1);  // a section of that name does not exist: added at the end
    ini.writeInteger("INTERF", "TOP", -20);
    ini.writeInteger("INTERF", "LEFT", 30);
    ini.writeBool("INTERF", "RING", false);
    QVERIFY(ini.save(path()));

    QFile f(path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("; kept\r\n[Other]\r\nA=1\r\n\r\n[interf]\r\nTOP=-20\r\nX=\xcf\xf0\xe8\r\n"
                                     "LEFT=30\r\nRING=0\r\n\r\n[Last]\r\nRING=7\r\n[TOP]\r\nTOP=1\r\n"));
}

void tst_Settings::writingCreatesFileAndSection()
{
    QFile::remove(path());
    fmMain->move(-40, 25);
    fmMain->sbZvonok->setChecked(true);
    fmMain->sbAim->setChecked(false);
    fmMain->WriteIniFile(path());
    QFile f(path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[INTERF]\r\nTOP=25\r\nLEFT=-40\r\nRING=1\r\nAIM=0\r\n"));
}

void tst_Settings::ring_data()
{
    QTest::addColumn<QByteArray>("file");  // empty: no file at all
    QTest::addColumn<bool>("muted");
    QTest::newRow("no file") << QByteArray() << true;
    QTest::newRow("0") << QByteArray("[INTERF]\r\nRING=0\r\n") << false;
    QTest::newRow("1") << QByteArray("[INTERF]\r\nRING=1\r\n") << true;
    QTest::newRow("any non-zero") << QByteArray("[INTERF]\r\nRING=-$10\r\n") << true;
    QTest::newRow("hex zero, other case") << QByteArray("[interf]\nring = 0x0\n") << false;
    QTest::newRow("not a number") << QByteArray("[INTERF]\r\nRING=false\r\n") << true;
    QTest::newRow("other section") << QByteArray("[MAIN]\r\nRING=0\r\n") << true;
    QTest::newRow("first of two") << QByteArray("[INTERF]\r\nRING=0\r\nRING=1\r\n") << false;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[INTERF]\r\nRING=0\r\n") << false;
}

void tst_Settings::ring()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, muted);
    QFile::remove(path());
    if (!file.isEmpty())
        writeSettings(file);
    fmMain->sbZvonok->setChecked(!muted);
    fmMain->ReadIniFile(path());
    QCOMPARE(fmMain->sbZvonok->Down(), muted);
}

void tst_Settings::aimingToneSwitch_data()
{
    QTest::addColumn<QByteArray>("file");  // empty: written by the program from the switch
    QTest::addColumn<bool>("on");
    QTest::newRow("older file without the key") << QByteArray("[INTERF]\r\nTOP=40\r\nLEFT=60\r\nRING=0\r\n")
                                                << false;
    QTest::newRow("on") << QByteArray("[INTERF]\r\nAIM=1\r\n") << true;
    QTest::newRow("off") << QByteArray("[INTERF]\r\nAIM=0\r\n") << false;
    QTest::newRow("left on at the last close") << QByteArray() << true;
    QTest::newRow("left off at the last close") << QByteArray() << false;
}

void tst_Settings::aimingToneSwitch()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, on);
    QFile::remove(path());
    if (file.isEmpty()) {
        fmMain->sbAim->setChecked(on);
        fmMain->WriteIniFile(path());
    } else {
        writeSettings(file);
    }
    // Whatever the switch shows before, the file decides.
    fmMain->sbAim->setChecked(!on);
    fmMain->ReadIniFile(path());
    QCOMPARE(fmMain->sbAim->Down(), on);
}

void tst_Settings::savedPosition_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("on the screen") << QByteArray("[INTERF]\r\nTOP=40\r\nLEFT=$3C\r\n") << QPoint(60, 40);
    QTest::newRow("partly off the left") << QByteArray("[INTERF]\r\nTOP=10\r\nLEFT=-300\r\n") << QPoint(-300, 10);
    QTest::newRow("on a screen gone") << QByteArray("[INTERF]\r\nTOP=3000\r\nLEFT=5000\r\n") << QPoint(7, 8);
    QTest::newRow("far above") << QByteArray("[INTERF]\r\nTOP=-900\r\nLEFT=0\r\n") << QPoint(7, 8);
    QTest::newRow("none saved") << QByteArray("[INTERF]\r\nRING=0\r\n") << QPoint(7, 8);
    QTest::newRow("left at int max") << QByteArray("[INTERF]\r\nTOP=10\r\nLEFT=2147483647\r\n") << QPoint(7, 8);
    QTest::newRow("top at int max") << QByteArray("[INTERF]\r\nTOP=2147483647\r\nLEFT=10\r\n") << QPoint(7, 8);
    QTest::newRow("both at int min") << QByteArray("[INTERF]\r\nTOP=-2147483648\r\nLEFT=-2147483648\r\n")
                                     << QPoint(7, 8);
}

void tst_Settings::savedPosition()
{
    QFETCH(QByteArray, file);
    QFETCH(QPoint, position);
    fmMain->move(7, 8);
    writeSettings(file);
    fmMain->ReadIniFile(path());
    QCOMPARE(fmMain->pos(), position);
}

void tst_Settings::damagedFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("told");      // the user hears of it once, at start
    QTest::addColumn<bool>("writable");  // the settings at exit replace it
    QTest::newRow("directory") << "directory" << true << false;
    QTest::newRow("10 MB") << "huge" << true << false;
    QTest::newRow("random bytes") << "random" << false << true;
}

void tst_Settings::damagedFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, told);
    QFETCH(bool, writable);
    QFile::remove(path());
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path()));
    } else {
        QByteArray bytes(kind == QLatin1String("huge") ? 10 * 1024 * 1024 : 64 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(1251);
        for (char& c : bytes)
            c = char(gen.bounded(256));
        if (kind == QLatin1String("huge"))
            bytes.replace(0, 30, "[INTERF]\r\nRING=0\r\nTOP=40\r\n");
        writeSettings(bytes);
    }
    fmMain->move(7, 8);
    fmMain->sbZvonok->setChecked(false);
    MessageBoxCatcher catcher;
    QElapsedTimer clock;
    clock.start();
    fmMain->ReadIniFile(path());
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(catcher.boxes.size(), told ? 1 : 0);
    QCOMPARE(fmMain->sbZvonok->Down(), true);
    QCOMPARE(fmMain->pos(), QPoint(7, 8));

    // Writing must not fail either; whatever could be written reads back.
    fmMain->sbZvonok->setChecked(false);
    fmMain->WriteIniFile(path());
    fmMain->sbZvonok->setChecked(true);
    fmMain->ReadIniFile(path());
    QCOMPARE(fmMain->sbZvonok->Down(), !writable);
    QDir(path()).removeRecursively();
}

void tst_Settings::unreadableFileKept_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("over the size limit") << "large";
    QTest::newRow("read error") << "read error";
    QTest::newRow("no read permission") << "no permission";
}

void tst_Settings::unreadableFileKept()
{
    QFETCH(QString, kind);
    QFile::remove(path());
    // Another program's sections: what the user would lose if we wrote over the file.
    QByteArray bytes = "[REPORT]\r\nSITE=North gate\r\nINSTALLER=Ivanov\r\n[INTERF]\r\nRING=1\r\n";
    if (kind == QLatin1String("read error")) {
        // Linux fails every read of this file with EIO, even for root.
        if (!QFile::exists(QStringLiteral("/proc/self/mem")))
            QSKIP("no /proc/self/mem to read from");
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), path()));
    } else {
        if (kind == QLatin1String("large"))
            bytes += "; padding" + QByteArray(IniFile::kMaxSize, ' ') + "\r\n";
        writeSettings(bytes);
        if (kind == QLatin1String("no permission")) {
            if (::geteuid() == 0)
                QSKIP("root reads a file without read permission; the read error row stands for it");
            QVERIFY(QFile::setPermissions(path(), QFile::WriteOwner));
        }
    }
    const QStringList entries = QDir(FDir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    MessageBoxCatcher catcher;  // the user hears at start that nothing will be saved
    fmMain->ReadIniFile(path());
    QCOMPARE(catcher.boxes.size(), 1);
    QVERIFY(catcher.boxes[0].text.startsWith(QString::fromUtf8(SETTINGS_ERROR_TEXT).section(QLatin1Char('\n'), 0, 0)));
    fmMain->sbZvonok->setChecked(true);
    fmMain->WriteIniFile(path());

    QCOMPARE(QDir(FDir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), entries);
    if (kind == QLatin1String("read error")) {
        QCOMPARE(QFileInfo(path()).symLinkTarget(), QStringLiteral("/proc/self/mem"));
    } else {
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == bytes);
    }
    QFile::remove(path());
}

void tst_Settings::byteOrderMarkKept()
{
    writeSettings("\xEF\xBB\xBF[INTERF]\r\nRING=0\r\n[REPORT]\r\nSITE=North gate\r\n");
    fmMain->ReadIniFile(path());
    QVERIFY(!fmMain->sbZvonok->Down());  // the first section was recognised
    fmMain->sbZvonok->setChecked(true);
    fmMain->move(-40, 25);
    fmMain->WriteIniFile(path());
    QFile f(path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF[INTERF]\r\nRING=1\r\nTOP=25\r\nLEFT=-40\r\nAIM=0\r\n"
                                     "[REPORT]\r\nSITE=North gate\r\n"));
}

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
