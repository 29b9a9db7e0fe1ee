// The settings dialogs, the model lookup, the about box and the help window, driven through
// the real program objects the way the installer drives them.
#include "connection/DetectorConnection.h"
#include "ProgramFixture.h"
#include "WireTap.h"
#include "dialogs/About.h"
#include "dialogs/addr.h"
#include "dialogs/help.h"
#include "dialogs/liter.h"
#include "dialogs/skor.h"
#include "dialogs/texts.h"
#include "panel/main.h"
#include "panel/state_texts.h"
#include "panel/widgets.h"
#include "protocol/obmen.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// Acts on the next modal window other than `below` once it is up, while the test sits in
// that window's exec(). The action may itself open (and act on) a further modal window.
// Waiting ends with the object, so a window that never came leaves nothing behind.
class OnModal {
public:
    explicit OnModal(std::function<void(QWidget*)> act, QWidget* below = nullptr)
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this, act, below] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == below || !w->isVisible())
                return;
            FTimer.stop();
            act(w);
        });
        FTimer.start();
    }

private:
    QTimer FTimer;
};

// The settings with this command code that went out before polling resumed, "" for none.
// (Closing any dialog also repeats the unit's mode; that is not the dialog's doing.)
QString sentWith(WireTap& line, int code)
{
    const QRegularExpression ofCode(QStringLiteral("^%1 ").arg(code));
    return line.settingsUntilQuery().filter(ofCode).join(QStringLiteral(", "));
}

enum CloseBy { ByOk, ByCancel, ByEsc, ByEnter, ByCloseBox };

void closeDialog(QDialog* d, QPushButton* ok, QPushButton* cancel, CloseBy how)
{
    switch (how) {
    case ByOk: ok->click(); break;
    case ByCancel: cancel->click(); break;
    case ByEsc: QTest::keyClick(d, Qt::Key_Escape); break;
    case ByEnter: QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return); break;
    case ByCloseBox: d->close(); break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(CloseBy)
Q_DECLARE_METATYPE(std::function<void()>)
Q_DECLARE_METATYPE(std::function<QDialog*()>)

class tst_Dialogs : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void letterDialog_data();
    void letterDialog();
    void speedDialog();
    void choiceByKeys_data();
    void choiceByKeys();
    void valuesWithoutButtonShowAsNumbers();
    void addressDialog_data();
    void addressDialog();
    void addressTyping();
    void modelLookup_data();
    void modelLookup();
    void helpWindow_data();
    void helpWindow();
    void aboutBox();
    void placedOverTheWindow_data();
    void placedOverTheWindow();
    void pictures_data();
    void pictures();

private:
    std::unique_ptr<ProgramFixture> program;
};

void tst_Dialogs::init()
{
    program = std::make_unique<ProgramFixture>();
    QVERIFY(fmMain && fmLiter && fmSkor && fmAddr && fmAbout && fmHelp);
}

void tst_Dialogs::cleanup() { program.reset(); }

void tst_Dialogs::letterDialog_data()
{
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<CloseBy>("closeBy");
    QTest::addColumn<int>("letter");
    QTest::addColumn<QString>("sent");  // letters travel as 0..7; empty: nothing set
    QTest::newRow("new letter confirmed") << QList<int>{6} << ByOk << 6 << "114 5";
    QTest::newRow("back to the old one") << QList<int>{5, 3} << ByOk << 3 << "";
    QTest::newRow("pressed twice stays") << QList<int>{6, 6} << ByOk << 6 << "114 5";
    QTest::newRow("enter confirms") << QList<int>{7} << ByEnter << 7 << "114 6";
    QTest::newRow("nothing chosen") << QList<int>{} << ByOk << 3 << "";
    QTest::newRow("cancel") << QList<int>{5} << ByCancel << 3 << "";
    QTest::newRow("esc") << QList<int>{5} << ByEsc << 3 << "";
    QTest::newRow("close box") << QList<int>{8} << ByCloseBox << 3 << "";
}

void tst_Dialogs::letterDialog()
{
    QFETCH(QList<int>, presses);
    QFETCH(CloseBy, closeBy);
    QFETCH(int, letter);

    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetLit(3);
    line.startPolling();
    bool greyed = false, stayedOpen = false;
    QStringList shownWhileOpen;
    OnModal driver([&](QWidget*) {
        greyed = fmMain->FlagDisableMainWindow();
        for (int p : presses) {
            QTest::mouseClick(fmLiter->sb[p - 1], Qt::LeftButton);
            shownWhileOpen << fmMain->stLiter->text();
        }
        closeDialog(fmLiter, fmLiter->bbSet, fmLiter->bbCancel, closeBy);
        stayedOpen = fmLiter->isVisible();
        if (stayedOpen)
            fmLiter->reject();
    });
    fmMain->bbLiterClick();

    QVERIFY(!stayedOpen);
    QVERIFY(greyed);
    QVERIFY(!fmMain->FlagDisableMainWindow());
    QStringList expectedWhileOpen;
    for (int p : presses)
        expectedWhileOpen << QString::number(p);
    QCOMPARE(shownWhileOpen, expectedWhileOpen);  // the window behind follows the choice at once
    QCOMPARE(int(fmLiter->Lit()), letter);
    QCOMPARE(fmMain->stLiter->text(), QString::number(letter));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(fmLiter->sb[i]->Down(), i + 1 == letter);
    QTEST(sentWith(line, COM_CF_SETLIT.CodCom), "sent");
}

void tst_Dialogs::speedDialog()
{
    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetScor(0);
    line.startPolling();
    OnModal driver([](QWidget*) {
        fmSkor->sbSkor[1]->click();
        fmSkor->bbSet->click();
    });
    fmMain->bbSkorClick();
    QCOMPARE(int(fmSkor->Scor()), 1);
    QCOMPARE(fmMain->stSkor->text(), QString::fromUtf8("0,1...4 м/с"));
    QCOMPARE(sentWith(line, COM_CF_SETSKOR.CodCom), QStringLiteral("115 1"));

    OnModal cancelDriver([](QWidget*) {
        fmSkor->sbSkor[2]->click();
        fmSkor->bbCancel->click();
    });
    fmMain->bbSkorClick();
    QCOMPARE(int(fmSkor->Scor()), 1);
    QVERIFY(fmSkor->sbSkor[1]->Down());
    QCOMPARE(fmMain->stSkor->text(), QString::fromUtf8("0,1...4 м/с"));
    QCOMPARE(sentWith(line, COM_CF_SETSKOR.CodCom), QString());
}

void tst_Dialogs::choiceByKeys_data()
{
    QTest::addColumn<bool>("letters");     // the letter dialog, else the range dialog
    QTest::addColumn<QList<int>>("keys");  // pressed on whatever has the focus
    QTest::addColumn<CloseBy>("closeBy");
    QTest::addColumn<QList<int>>("shown");  // the panel after each key
    QTest::addColumn<QString>("sent");
    // The dialogs open on letter 3 and on the middle range (index 1).
    const int left = Qt::Key_Left, right = Qt::Key_Right, up = Qt::Key_Up, down = Qt::Key_Down;
    QTest::newRow("letter by digit") << true << QList<int>{Qt::Key_6} << ByEnter << QList<int>{6} << "114 5";
    QTest::newRow("letter by arrows") << true << QList<int>{right, right, left} << ByEnter << QList<int>{4, 5, 4}
                                      << "114 3";
    QTest::newRow("arrows stop at the last letter")
        << true << QList<int>{Qt::Key_8, right, down} << ByEnter << QList<int>{8, 8, 8} << "114 7";
    QTest::newRow("arrows stop at the first letter")
        << true << QList<int>{Qt::Key_1, left, up} << ByEnter << QList<int>{1, 1, 1} << "114 0";
    QTest::newRow("no letter 9 or 0") << true << QList<int>{Qt::Key_9, Qt::Key_0} << ByEnter << QList<int>{3, 3}
                                      << "";
    QTest::newRow("letter then esc") << true << QList<int>{Qt::Key_7} << ByEsc << QList<int>{7} << "";
    // Arrows choose even with the focus on "Отменить", where they would move it.
    QTest::newRow("arrow on cancel, then ok")
        << true << QList<int>{Qt::Key_Tab, right} << ByOk << QList<int>{3, 4} << "114 3";
    QTest::newRow("range by digit") << false << QList<int>{Qt::Key_3} << ByEnter << QList<int>{2} << "115 2";
    QTest::newRow("range by arrows") << false << QList<int>{left, left, down} << ByEnter << QList<int>{0, 0, 1}
                                     << "";
    QTest::newRow("range past the last") << false << QList<int>{Qt::Key_4, right, right} << ByEnter
                                         << QList<int>{1, 2, 2} << "115 2";
    QTest::newRow("range then esc") << false << QList<int>{Qt::Key_1} << ByEsc << QList<int>{0} << "";
}

void tst_Dialogs::choiceByKeys()
{
    QFETCH(bool, letters);
    QFETCH(QList<int>, keys);
    QFETCH(CloseBy, closeBy);
    QFETCH(QList<int>, shown);

    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetLit(3);
    fmMain->SetScor(1);
    line.startPolling();
    auto panelText = [letters](int value) {
        return letters ? QString::number(value) : skorostText(Skorost(value));
    };
    QLabel* panel = letters ? fmMain->stLiter : fmMain->stSkor;
    QStringList shownWhileOpen;
    bool closed = false;
    OnModal driver([&](QWidget* dlg) {
        for (int key : keys) {
            QTest::keyClick(dlg->focusWidget() ? dlg->focusWidget() : dlg, Qt::Key(key));
            shownWhileOpen << panel->text();
        }
        auto* d = static_cast<QDialog*>(dlg);
        closeDialog(d, letters ? fmLiter->bbSet : fmSkor->bbSet, letters ? fmLiter->bbCancel : fmSkor->bbCancel,
                    closeBy);
        closed = !d->isVisible();
        if (!closed)
            d->reject();
    });
    letters ? fmMain->bbLiterClick() : fmMain->bbSkorClick();

    QVERIFY(closed);
    QStringList expected;
    for (int v : shown)
        expected << panelText(v);
    QCOMPARE(shownWhileOpen, expected);
    // Confirmed, the last choice stays; cancelled, the value at opening comes back.
    const int kept = closeBy == ByEsc ? (letters ? 3 : 1) : shown.last();
    QCOMPARE(panel->text(), panelText(kept));
    QCOMPARE(letters ? int(fmLiter->Lit()) : int(fmSkor->Scor()), kept);
    QTEST(sentWith(line, letters ? COM_CF_SETLIT.CodCom : COM_CF_SETSKOR.CodCom), "sent");
}

void tst_Dialogs::valuesWithoutButtonShowAsNumbers()
{
    fmSkor->SetScor(2);
    QCOMPARE(fmMain->stSkor->text(), QString::fromUtf8("0,1...1 м/с"));
    QVERIFY(fmSkor->sbSkor[2]->Down());
    fmSkor->SetScor(5);
    QCOMPARE(fmMain->stSkor->text(), QStringLiteral("5"));
    QVERIFY(fmSkor->sbSkor[2]->Down());

    fmLiter->SetLit(4);
    for (int bad : {0, 9, 255}) {
        fmLiter->SetLit(TLitera(bad));
        QCOMPARE(fmMain->stLiter->text(), QString::number(bad));
        QVERIFY(fmLiter->sb[3]->Down());
    }

    // Confirming without a choice sends nothing, even though the buttons show another letter.
    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetLit(255);
    line.startPolling();
    OnModal driver([](QWidget*) { fmLiter->bbSet->click(); });
    fmMain->bbLiterClick();
    QCOMPARE(sentWith(line, COM_CF_SETLIT.CodCom), QString());
    QCOMPARE(int(fmLiter->Lit()), 255);
}

void tst_Dialogs::addressDialog_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<CloseBy>("closeBy");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("sent");  // empty: nothing set
    // The address at opening is 10.
    QTest::newRow("255 ok") << "255" << ByOk << false << "255" << "6 255";
    QTest::newRow("same ok") << "10" << ByOk << false << "10" << "";
    QTest::newRow("leading zeros") << "007" << ByOk << false << "7" << "6 7";
    QTest::newRow("010 is the same") << "010" << ByOk << false << "10" << "";
    QTest::newRow("enter") << "12" << ByEnter << false << "12" << "6 12";
    QTest::newRow("empty ok") << "" << ByOk << false << "0" << "6 0";
    QTest::newRow("256 ok") << "256" << ByOk << true << "10" << "";
    QTest::newRow("999 ok") << "999" << ByOk << true << "10" << "";
    QTest::newRow("pasted letters") << "12a" << ByOk << true << "10" << "";
    QTest::newRow("pasted blank") << " 12" << ByOk << true << "10" << "";
    QTest::newRow("300 cancel") << "300" << ByCancel << false << "10" << "";
    QTest::newRow("200 esc") << "200" << ByEsc << false << "10" << "";
    QTest::newRow("300 close box") << "300" << ByCloseBox << false << "10" << "";
}

void tst_Dialogs::addressDialog()
{
    QFETCH(QString, typed);
    QFETCH(CloseBy, closeBy);
    QFETCH(bool, refused);
    QFETCH(QString, shown);

    WireTap line(fmMain->connection->link);
    QVERIFY(line.open());
    fmMain->SetAddr(10);
    line.startPolling();
    QString boxText;
    bool stayedOpen = false;
    QString selectedAtOpening, selected;
    OnModal driver([&](QWidget* dlg) {
        selectedAtOpening = fmAddr->edAddr->selectedText();
        fmAddr->edAddr->setText(typed);  // as a paste would: no key filter on the way
        OnModal boxDriver(
            [&](QWidget* box) {
                auto* mb = qobject_cast<QMessageBox*>(box);
                boxText = mb ? mb->text() : QString();
                box->close();
            },
            dlg);
        closeDialog(fmAddr, fmAddr->bbSet, fmAddr->bbCancel, closeBy);
        stayedOpen = fmAddr->isVisible();
        selected = fmAddr->edAddr->selectedText();
        if (stayedOpen)
            fmAddr->bbCancel->click();
    });
    fmMain->bbAddrClick();

    QCOMPARE(selectedAtOpening, QStringLiteral("10"));
    QCOMPARE(boxText, refused ? QString::fromUtf8(ADDR_ERROR) : QString());
    QCOMPARE(stayedOpen, refused);
    if (refused)
        QCOMPARE(selected, typed);  // ready for correction
    QCOMPARE(QString::number(fmAddr->Addr()), shown);
    QCOMPARE(fmAddr->edAddr->text(), shown);
    QCOMPARE(fmMain->stAddr->text(), shown);
    QTEST(sentWith(line, COM_CF_SETADDR.CodCom), "sent");
    QVERIFY(!fmMain->FlagDisableMainWindow());
}

void tst_Dialogs::addressTyping()
{
    fmAddr->edAddr->clear();
    QTest::keyClicks(fmAddr->edAddr, "4x 5-6.7");
    QCOMPARE(fmAddr->edAddr->text(), QStringLiteral("456"));  // non-digits dropped, three at most
    QTest::keyClick(fmAddr->edAddr, Qt::Key_Backspace);
    QTest::keyClicks(fmAddr->edAddr, "9");
    QCOMPARE(fmAddr->edAddr->text(), QStringLiteral("459"));
}

void tst_Dialogs::modelLookup_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("shown");
    QTest::newRow("21") << 21 << 0 << 21;
    QTest::newRow("22") << 22 << 1 << 22;
    QTest::newRow("23") << 23 << 2 << 23;
    QTest::newRow("31") << 31 << 3 << 31;
    QTest::newRow("24 unknown") << 24 << -1 << 0;
    QTest::newRow("0 unknown") << 0 << -1 << 0;
    QTest::newRow("negative") << -21 << -1 << 0;
}

void tst_Dialogs::modelLookup()
{
    QFETCH(int, code);
    QFETCH(int, model);
    QFETCH(int, shown);
    TfmIdent& ident = fmMain->connection->fmIdent;
    ident.PoiskIdent(22);  // something else first, so a stale value cannot pass
    ident.PoiskIdent(code);
    QCOMPARE(ident.Ident(), model);
    QCOMPARE(int(fmMain->Ident()), shown);

    for (int outside : {-2, 4, 100}) {
        ident.SetIdent(outside);
        QCOMPARE(ident.Ident(), -1);
        QCOMPARE(int(fmMain->Ident()), 0);
    }
}

void tst_Dialogs::helpWindow_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::function<void()>>("open");
    auto row = [](const char* name, const char* title, const char* text, std::function<void()> open) {
        QTest::newRow(name) << QString::fromUtf8(title) << QString::fromUtf8(text) << open;
    };
    row("letter", HELP_WIN_CAPT_LIT, HELP_TEXT_LIT, [] { fmLiter->sbHelpLit->click(); });
    row("speed", HELP_WIN_CAPT_SKOR, HELP_TEXT_SKOR, [] { fmSkor->sbHelpSkor->click(); });
    row("address", HELP_WIN_CAPT_ADDR, HELP_TEXT_ADDR, [] { fmAddr->sbHelpAddr->click(); });
    row("alignment, 11 lines", HELP_WIN_CAPT_UST, HELP_TEXT_UST,
        [] { VivHelp(QString::fromUtf8(HELP_WIN_CAPT_UST), QString::fromUtf8(HELP_TEXT_UST)); });
}

void tst_Dialogs::helpWindow()
{
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(std::function<void()>, open);

    bool greyed = true;
    QString shownTitle, shownText;
    OnModal driver([&](QWidget* w) {
        greyed = fmMain->FlagDisableMainWindow();
        shownTitle = w->windowTitle();
        shownText = fmHelp->stText->text();
        fmHelp->bbClose->click();
    });
    open();

    QVERIFY(!greyed);
    QVERIFY(!fmHelp->isVisible());
    QCOMPARE(shownTitle, title);
    QCOMPARE(fmHelp->Text(), text);
    QCOMPARE(shownText, QString(text).replace("\n\r", "\n"));
    // Shown whole: the wrapped text needs no more than the label's height.
    QLabel* st = fmHelp->stText;
    QVERIFY2(st->heightForWidth(st->width()) <= st->height(),
             qPrintable(QString("needs %1 px").arg(st->heightForWidth(st->width()))));
}

void tst_Dialogs::aboutBox()
{
    bool greyed = false, survivedEsc = false;
    OnModal driver([&](QWidget* w) {
        greyed = fmMain->FlagDisableMainWindow();
        QTest::keyClick(w, Qt::Key_Escape);
        survivedEsc = w->isVisible();
        fmAbout->bbOk->click();
    });
    fmMain->bbAboutClick();
    QVERIFY(greyed);
    QVERIFY(survivedEsc);
    QVERIFY(!fmAbout->isVisible());
    QVERIFY(!fmMain->FlagDisableMainWindow());

    OnModal closeBoxDriver([](QWidget* w) { w->close(); });  // the close box closes it too
    fmMain->bbAboutClick();
    QVERIFY(!fmAbout->isVisible());
    QVERIFY(!fmMain->FlagDisableMainWindow());

    // Nothing is clipped in the face it is laid out in.
    for (QLabel* line : {fmAbout->lbProductName, fmAbout->lbCopyright})
        QVERIFY2(line->fontMetrics().horizontalAdvance(line->text()) <= line->width(), qPrintable(line->text()));
    QVERIFY(fmAbout->lbComments->heightForWidth(fmAbout->lbComments->width()) <= fmAbout->lbComments->height());
}

void tst_Dialogs::placedOverTheWindow_data()
{
    QTest::addColumn<std::function<QDialog*()>>("dialog");
    auto row = [](const char* name, std::function<QDialog*()> dialog) { QTest::newRow(name) << dialog; };
    row("letter", [] { return static_cast<QDialog*>(fmLiter); });
    row("speed", [] { return static_cast<QDialog*>(fmSkor); });
    row("address", [] { return static_cast<QDialog*>(fmAddr); });
    row("about", [] { return static_cast<QDialog*>(fmAbout); });
    row("help", [] { return static_cast<QDialog*>(fmHelp); });
}

void tst_Dialogs::placedOverTheWindow()
{
    QFETCH(std::function<QDialog*()>, dialog);
    // Away from the corner every window starts in, so that only centring puts it there.
    fmMain->move(237, 151);
    const QPoint centre = fmMain->geometry().center();
    QDialog* d = dialog();
    d->show();
    QTRY_VERIFY2_WITH_TIMEOUT((d->geometry().center() - centre).manhattanLength() <= 1,
                              qPrintable(QString("centre %1,%2 over %3,%4")
                                             .arg(d->geometry().center().x())
                                             .arg(d->geometry().center().y())
                                             .arg(centre.x())
                                             .arg(centre.y())),
                              10000);
    d->hide();
}

void tst_Dialogs::pictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("side");
    for (const char* small : {"arrow_up", "arrow_down", "help", "ok", "cancel", "close", "help_window"})
        QTest::newRow(small) << QString(small) << 16;
    for (const char* big : {"speaker", "speaker_muted", "speaker_grey", "program"})
        QTest::newRow(big) << QString(big) << 32;
}

void tst_Dialogs::pictures()
{
    QFETCH(QString, name);
    QFETCH(int, side);
    const QImage image(QString(":/images/%1.xpm").arg(name));
    QCOMPARE(image.size(), QSize(side, side));
    QVERIFY(image.hasAlphaChannel());  // drawn on a transparent ground
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
