// The transmitter and receiver views, the work-mode buttons, the help buttons and the start
// page's messages.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "WireTap.h"

#include "dialogs/help.h"
#include "panel/colors.h"
#include "panel/state_texts.h"
#include "panel/texts.h"
#include "panel/widgets.h"
#include "protocol/commands.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <memory>

class tst_Views : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void transmitterView();
    void receiverView_data();
    void receiverView();
    void modeButtons_data();
    void modeButtons();
    void help_data();
    void help();
    void startPageMessages_data();
    void startPageMessages();

private:
    std::unique_ptr<ProgramFixture> program;
};

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }
}  // namespace

void tst_Views::init()
{
    program = std::make_unique<ProgramFixture>();
    fmMain->InitInterf();
}

void tst_Views::cleanup()
{
    addr_obmen = 0;
    program.reset();
}

void tst_Views::transmitterView()
{
    // The last unit was a receiver in duty mode with its alarm sounding.
    fmMain->SetIdent(21);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(dej);
    fmMain->sbZvonok->setChecked(false);
    fmMain->SetFlagTr(true);
    fmMain->ValPoleUpdate();
    QVERIFY(program->alarm()->playing());

    fmMain->SetIdent(32);
    fmMain->EnablePeredInterf();

    QCOMPARE(fmMain->stIzv->text(), u(IZV_PERED));
    QCOMPARE(fmMain->stPered->text(), u(PERED_NOTE));
    QCOMPARE(fmMain->stPered->text().count(QStringLiteral("\n\r")), 1);
    QVERIFY(fmMain->stPered->isVisibleTo(fmMain));
    QVERIFY(fmMain->stPered->isEnabled());
    QCOMPARE(textColor(fmMain->stPered), clRed);
    QVERIFY(!fmMain->sbZvonok->isVisibleTo(fmMain) && !fmMain->sbAim->isVisibleTo(fmMain));

    QVERIFY(fmMain->bbLiter->isEnabled());
    const QList<QWidget*> unusable{fmMain->bbSkor, fmMain->bbAddr, fmMain->bbPlus, fmMain->bbMinus,
                                   fmMain->sbRabota, fmMain->sbUst, fmMain->sbHelpDej, fmMain->sbHelpUst};
    for (int i = 0; i < unusable.size(); ++i)
        QVERIFY2(!unusable[i]->isEnabled(), qPrintable(QString::number(i)));
    QVERIFY(!fmMain->sbRabota->Down());
    QVERIFY(!fmMain->sbUst->Down());

    QVERIFY(!fmMain->FlagTr());
    QVERIFY(!fmMain->tiTr->isActive());
    QVERIFY(!program->alarm()->playing());
}

void tst_Views::receiverView_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("addrEnabled");
    QTest::addColumn<QString>("sent");

    QTest::newRow("duty") << int(dej) << 0 << true << "113 0";
    QTest::newRow("alignment, address from the command line") << int(ust) << 5 << false << "113 1";
}

void tst_Views::receiverView()
{
    QFETCH(int, mode);
    QFETCH(int, address);
    addr_obmen = std::uint8_t(address);
    const bool duty = mode == dej;

    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetIdent(22);
    fmMain->EnablePriemInterf();
    line.startPolling();
    fmMain->SetRejim(TRejim(mode));

    QTEST(fmMain->bbAddr->isEnabled(), "addrEnabled");
    QVERIFY(fmMain->bbLiter->isEnabled() && fmMain->bbSkor->isEnabled());
    QCOMPARE(fmMain->bbSkor->text(), u(CAPT_BB_SKOR));
    QVERIFY(fmMain->sbZvonok->isVisibleTo(fmMain) && fmMain->sbAim->isVisibleTo(fmMain));
    QVERIFY(!fmMain->stPered->isVisibleTo(fmMain));
    QVERIFY(fmMain->sbRabota->isEnabled() && fmMain->sbUst->isEnabled());

    QCOMPARE(fmMain->sbRabota->Down(), duty);
    QCOMPARE(fmMain->sbUst->Down(), !duty);
    QCOMPARE(background(fmMain->paRab), duty ? COL_PAN_REJIM_ACT : COL_PAN_REJIM_INACT);
    QCOMPARE(background(fmMain->paUst), duty ? COL_PAN_REJIM_INACT : COL_PAN_REJIM_ACT);
    QCOMPARE(fmMain->sbHelpDej->isEnabled(), duty);
    QCOMPARE(fmMain->sbHelpUst->isEnabled(), !duty);
    QCOMPARE(fmMain->bbPlus->isEnabled(), duty);
    QCOMPARE(fmMain->bbMinus->isEnabled(), duty);
    QCOMPARE(fmMain->paSost->text(), duty ? u(SOST_NORM) : QString());
    // The view asks the unit for the mode it shows.
    QTEST(setting(line.next()), "sent");
}

void tst_Views::modeButtons_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("clickUst");
    QTest::addColumn<bool>("rabotaDown");
    QTest::addColumn<bool>("ustDown");

    QTest::newRow("alignment clicked in duty") << int(dej) << true << false << true;
    // The pressed button stays down and asks for its mode again.
    QTest::newRow("duty clicked again") << int(dej) << false << true << false;
    QTest::newRow("alignment clicked again") << int(ust) << true << false << true;
    QTest::newRow("duty clicked at power-on") << int(vklpit) << false << true << false;
}

void tst_Views::modeButtons()
{
    QFETCH(int, mode);
    QFETCH(bool, clickUst);
    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetIdent(21);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(TRejim(mode));
    line.startPolling();
    const QString sost = fmMain->paSost->text();

    (clickUst ? fmMain->sbUst : fmMain->sbRabota)->click();

    QTEST(fmMain->sbRabota->Down(), "rabotaDown");
    QTEST(fmMain->sbUst->Down(), "ustDown");
    QCOMPARE(setting(line.next()), clickUst ? QStringLiteral("113 1") : QStringLiteral("113 0"));
    // The mode is the detector's to confirm; until then the state panel keeps its text.
    QCOMPARE(int(fmMain->Rejim()), mode);
    QCOMPARE(fmMain->paSost->text(), sost);
}

void tst_Views::help_data()
{
    QTest::addColumn<bool>("alignment");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");

    QTest::newRow("threshold") << false << u(HELP_WIN_CAPT_POR) << u(HELP_TEXT_POR);
    QTest::newRow("alignment") << true << u(HELP_WIN_CAPT_UST) << u(HELP_TEXT_UST);
}

void tst_Views::help()
{
    QFETCH(bool, alignment);
    fmMain->SetIdent(21);
    fmMain->EnablePriemInterf();
    fmMain->SetRejim(alignment ? ust : dej);

    QString caption, shown;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        caption = box->windowTitle();
        shown = fmHelp->stText->text();
        box->close();
    });
    (alignment ? fmMain->sbHelpUst : fmMain->sbHelpDej)->click();

    QTEST(caption, "caption");
    // The window may drop the CR of each line break when it lays the text out.
    QFETCH(QString, text);
    QCOMPARE(shown.remove(QLatin1Char('\r')), text.remove(QLatin1Char('\r')));
    QVERIFY(!fmMain->FlagDisableMainWindow());
}

void tst_Views::startPageMessages_data()
{
    QTest::addColumn<bool>("searching");
    QTest::addColumn<QString>("findCaption");

    QTest::newRow("search failed") << true << u(CAPT_BB_FIND);
    QTest::newRow("link lost") << false << u(CAPT_BB_REPAIR);
}

void tst_Views::startPageMessages()
{
    QFETCH(bool, searching);
    fmMain->VivMess(QStringLiteral("Ждите..."), QString());
    QCOMPARE(textColor(fmMain->stMessage), clWindowText());
    QVERIFY(!fmMain->bbFind->isEnabled() && !fmMain->bbInitClose->isEnabled());

    DispObmen->FlagScanPorts = searching;
    fmMain->VivError(QStringLiteral("headline"), QStringLiteral("why"));

    QTEST(fmMain->bbFind->text(), "findCaption");
    QCOMPARE(textColor(fmMain->stMessage), clRed);
    QCOMPARE(fmMain->stMessage->text(), QStringLiteral("headline"));
    QCOMPARE(fmMain->stText->text(), QStringLiteral("why"));
    QVERIFY(fmMain->bbFind->isEnabled() && fmMain->bbInitClose->isEnabled());
}

QTEST_MAIN(tst_Views)
#include "tst_views.moc"
