// The detector's state on the main window: relay, power and lid, unit name, firmware, work mode,
// and the alarm with its hold timer and sound.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "WireTap.h"

#include "panel/colors.h"
#include "panel/state_texts.h"
#include "panel/widgets.h"
#include "protocol/commands.h"
#include "protocol/frames.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <memory>

class tst_State : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void stateByte_data();
    void stateByte();
    void stateByteDroppedWhileGreyed();
    void unitName_data();
    void unitName();
    void firmware_data();
    void firmware();
    void mode_data();
    void mode();
    void modeReportedWhileGreyed_data();
    void modeReportedWhileGreyed();

    void alarmWhileMuted();
    void alarmHeldUntilTick();
    void alarmRisingWhileGreyedStartsOnRestore();

private:
    std::unique_ptr<ProgramFixture> program;
};

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

void reply(RSerialStruct command, Byte b1, Byte b2 = 0) { decodeReply({command.CodCom, b1, b2}); }

void receiverInDuty()
{
    fmMain->SetIdent(21);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(dej);
}
}  // namespace

void tst_State::init()
{
    program = std::make_unique<ProgramFixture>();
    fmMain->InitInterf();
}

void tst_State::cleanup() { program.reset(); }

void tst_State::stateByte_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("rele");
    QTest::addColumn<QColor>("releColour");
    QTest::addColumn<QString>("pit");
    QTest::addColumn<QColor>("pitColour");
    QTest::addColumn<QString>("kr");
    QTest::addColumn<QColor>("krColour");

    init_color_scheme();
    QTest::newRow("all raised") << 0x13 << u(RELE_TR) << COL_PAN_RELE_TR << u(PIT_NIZK) << COL_PAN_PIT_NIZK
                                << u(KR_TR) << COL_PAN_KR_TR;
    // Every other bit set: none of them means anything.
    QTest::newRow("all normal") << 0xEC << u(RELE_NORM) << COL_PAN_RELE_NORM << u(PIT_NORM)
                                << COL_PAN_PIT_NORM << u(KR_NORM) << COL_PAN_KR_NORM;
}

void tst_State::stateByte()
{
    QFETCH(int, byte);
    receiverInDuty();
    reply(COM_CF_REQSTATE, Byte(byte));

    QTEST(fmMain->paRele->text(), "rele");
    QTEST(background(fmMain->paRele), "releColour");
    QTEST(fmMain->paPit->text(), "pit");
    QTEST(background(fmMain->paPit), "pitColour");
    QTEST(fmMain->paKr->text(), "kr");
    QTEST(background(fmMain->paKr), "krColour");
    for (QWidget* w : {fmMain->paRele, fmMain->paPit, fmMain->paKr})
        QCOMPARE(textColor(w), clWindowText());
}

void tst_State::stateByteDroppedWhileGreyed()
{
    receiverInDuty();
    reply(COM_CF_REQSTATE, 0x00);
    fmMain->DisableMainWindow();
    reply(COM_CF_REQSTATE, 0x13);
    fmMain->RestoreMainWindow();

    QCOMPARE(fmMain->paRele->text(), u(RELE_NORM));
    QCOMPARE(background(fmMain->paRele), COL_PAN_RELE_NORM);
    QCOMPARE(fmMain->paKr->text(), u(KR_NORM));
}

void tst_State::unitName_data()
{
    QTest::addColumn<int>("idByte");
    QTest::addColumn<int>("ident");
    QTest::addColumn<QString>("name");

    QTest::newRow("transmitter") << 0x20 << 32 << u(IZV_PERED);
    QTest::newRow("M50") << 21 << 21 << u(IZV_M50);
    QTest::newRow("M100") << 22 << 22 << u(IZV_M100);
    QTest::newRow("M200") << 23 << 23 << u(IZV_M200);
    QTest::newRow("M300") << 31 << 31 << u(IZV_M300);
    QTest::newRow("unknown model") << 37 << 0 << u(IZV_UNKNOWN);
}

void tst_State::unitName()
{
    QFETCH(int, idByte);
    reply(COM_CF_REQID, Byte(idByte));
    QTEST(int(fmMain->Ident()), "ident");
    QTEST(fmMain->stIzv->text(), "name");
}

void tst_State::firmware_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("shown");

    QTest::newRow("zero") << 0 << 0 << "0.0";
    QTest::newRow("two-digit minor") << 3 << 12 << "3.12";
    QTest::newRow("largest minor") << 1 << 255 << "1.255";
}

void tst_State::firmware()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    reply(COM_CF_REQVERS, Byte(major), Byte(minor));
    QTEST(fmMain->stVersPr->text(), "shown");
    QCOMPARE(fmMain->VersPr()[1], std::uint8_t(minor));
}

void tst_State::mode_data()
{
    QTest::addColumn<int>("ident");
    QTest::addColumn<int>("from");  // -1: straight after the unit's view
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("rabotaDown");
    QTest::addColumn<bool>("ustDown");
    QTest::addColumn<QString>("sost");  // null: unchanged
    QTest::addColumn<QString>("sent");  // the request after the reply; empty: a query

    QTest::newRow("duty") << 21 << -1 << int(dej) << true << false << u(SOST_NORM) << "113 0";
    QTest::newRow("alignment after duty") << 21 << int(dej) << int(ust) << false << true << QString("")
                                          << "113 1";
    QTest::newRow("power-on after alignment")
        << 21 << int(ust) << int(vklpit) << false << false << u(SOST_TR) << "";
    QTest::newRow("mode beyond the table") << 21 << int(dej) << 3 << true << false << QString() << "";
    QTest::newRow("transmitter") << 32 << -1 << int(dej) << false << false << QString() << "";
}

void tst_State::mode()
{
    QFETCH(int, ident);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, sost);

    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetIdent(TIdent(ident));
    if (ident == 32)
        fmMain->EnablePeredInterf();
    else
        fmMain->EnablePriemInterf();
    if (from >= 0)
        fmMain->SetRejim(TRejim(from));
    line.startPolling();
    const QString sostBefore = fmMain->paSost->text();

    const SimRequest next = line.next({COM_CF_REQREJ.CodCom, to});

    QCOMPARE(int(fmMain->Rejim()), to);
    QTEST(fmMain->sbRabota->Down(), "rabotaDown");
    QTEST(fmMain->sbUst->Down(), "ustDown");
    QCOMPARE(fmMain->paSost->text(), sost.isNull() ? sostBefore : sost);
    // A mode the unit reports is confirmed to it straight away.
    QTEST(setting(next), "sent");
}

void tst_State::modeReportedWhileGreyed_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("rabotaDown");
    QTest::addColumn<bool>("ustDown");
    QTest::addColumn<QString>("sost");
    QTest::addColumn<QColor>("sostColour");

    init_color_scheme();
    QTest::newRow("duty after alignment") << int(ust) << int(dej) << true << false << u(SOST_NORM)
                                          << COL_PAN_SOST_NORM;
    QTest::newRow("power-on after duty") << int(dej) << int(vklpit) << false << false << u(SOST_TR)
                                         << COL_PAN_SOST_TR;
}

void tst_State::modeReportedWhileGreyed()
{
    QFETCH(int, from);
    QFETCH(int, to);
    fmMain->SetIdent(21);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(TRejim(from));

    fmMain->DisableMainWindow();
    reply(COM_CF_REQREJ, Byte(to));
    QVERIFY(!fmMain->sbRabota->Down() && !fmMain->sbUst->Down());
    fmMain->RestoreMainWindow();

    QTEST(fmMain->sbRabota->Down(), "rabotaDown");
    QTEST(fmMain->sbUst->Down(), "ustDown");
    QTEST(fmMain->paSost->text(), "sost");
    QTEST(background(fmMain->paSost), "sostColour");
}

void tst_State::alarmWhileMuted()
{
    receiverInDuty();
    RecordingAlarm* sound = program->alarm();
    fmMain->sbZvonok->setChecked(true);

    reply(COM_CF_REQSTNASTR, 1);
    QCOMPARE(fmMain->paSost->text(), u(SOST_TR));
    QCOMPARE(background(fmMain->paSost), COL_PAN_SOST_TR);
    QVERIFY(fmMain->tiTr->isActive());
    QCOMPARE(sound->starts, 0);

    // Un-muting while the alarm is held plays it; muting stops it again.
    fmMain->sbZvonok->click();
    QVERIFY(sound->playing());
    fmMain->sbZvonok->click();
    QVERIFY(!sound->playing());

    reply(COM_CF_REQSTNASTR, 0);
    QCOMPARE(fmMain->paSost->text(), u(SOST_TR));
    fmMain->sbZvonok->click();
    QVERIFY(sound->playing());
    QCOMPARE(sound->starts, 2);

    // A rise again during the hold neither restarts the sound nor the timer's hold.
    reply(COM_CF_REQSTNASTR, 1);
    QCOMPARE(sound->starts, 2);
    // A tick that finds the alarm still reported keeps it.
    fmMain->tiTrTimer();
    QVERIFY(fmMain->tiTr->isActive());
    QVERIFY(sound->playing());

    reply(COM_CF_REQSTNASTR, 0);
    fmMain->tiTrTimer();
    QVERIFY(!fmMain->tiTr->isActive());
    QVERIFY(!sound->playing());
    QCOMPARE(fmMain->paSost->text(), u(SOST_NORM));
    QCOMPARE(background(fmMain->paSost), COL_PAN_SOST_NORM);
}

void tst_State::alarmHeldUntilTick()
{
    receiverInDuty();
    RecordingAlarm* sound = program->alarm();
    fmMain->sbZvonok->setChecked(false);

    QElapsedTimer clock;
    clock.start();
    reply(COM_CF_REQSTNASTR, 1);
    QCOMPARE(sound->starts, 1);
    reply(COM_CF_REQSTNASTR, 0);
    QCOMPARE(fmMain->paSost->text(), u(SOST_TR));
    QVERIFY(sound->playing());

    QTRY_COMPARE_WITH_TIMEOUT(fmMain->paSost->text(), u(SOST_NORM), 5000);
    // A coarse timer may tick up to 5 % early.
    QVERIFY2(clock.elapsed() >= 2850, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!sound->playing());
    QVERIFY(!fmMain->tiTr->isActive());
}

void tst_State::alarmRisingWhileGreyedStartsOnRestore()
{
    receiverInDuty();
    RecordingAlarm* sound = program->alarm();
    fmMain->sbZvonok->setChecked(false);

    fmMain->DisableMainWindow();
    reply(COM_CF_REQSTNASTR, 1);
    QVERIFY(!fmMain->tiTr->isActive());
    QCOMPARE(sound->starts, 0);
    fmMain->RestoreMainWindow();

    QVERIFY(fmMain->tiTr->isActive());
    QVERIFY(sound->playing());
    QCOMPARE(fmMain->paSost->text(), u(SOST_TR));
}

QTEST_MAIN(tst_State)
#include "tst_state.moc"
