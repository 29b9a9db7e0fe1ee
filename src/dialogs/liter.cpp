#include "dialogs/liter.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/help.h"
#include "dialogs/texts.h"
#include "panel/fonts.h"
#include "panel/main.h"
#include "panel/widgets.h"

#include <QGroupBox>
#include <algorithm>
#include <QLabel>

TfmLiter* fmLiter = nullptr;

TfmLiter::TfmLiter(QWidget* parent) : QDialog(parent)
{
    fmLiter = this;
    fixDialogFrame(this, 343, 144);
    setWindowTitle(QString::fromUtf8(LITER_CAPT));
    setFont(programFont(11));

    gbLiter = new QGroupBox(QString::fromUtf8(LITER_GROUP), this);
    gbLiter->setGeometry(16, 16, 305, 74);
    gbLiter->setFont(programFont(16));
    QStringList captions;
    QList<QRect> places;
    for (int left : {16, 51, 87, 123, 158, 194, 230, 266}) {
        captions << QString::number(captions.size() + 1);
        places << QRect(left, 32, 23, 22);
    }
    const QList<SpeedButton*> buttons =
        makeChoiceButtons(gbLiter, captions, places, 1, [this](int i) { sbClick(sb[std::size_t(i)]); });
    std::copy(buttons.begin(), buttons.end(), sb.begin());

    addSetCancelButtons(this, bbSet, 14, 104, bbCancel, 172, 104);
    sbHelpLit = helpButton(this, 313, 105);
    connect(sbHelpLit, &QPushButton::clicked, this, &TfmLiter::sbHelpLitClick);

    sb[FLit - 1]->setChecked(true);
}

void TfmLiter::SetLit(TLitera Value)
{
    FLit = Value;
    // A letter the buttons do not have is still shown; the group keeps what it had.
    if (Value >= 1 && Value <= 8)
        sb[Value - 1]->setChecked(true);
    if (fmMain)
        fmMain->stLiter->setText(QString::number(Value));
}

void TfmLiter::sbClick(SpeedButton* Sender)
{
    SetLit(static_cast<TLitera>(Sender->property("Tag").toInt()));
}

void TfmLiter::sbHelpLitClick()
{
    VivHelp(QString::fromUtf8(HELP_WIN_CAPT_LIT), QString::fromUtf8(HELP_TEXT_LIT));
}

void TfmLiter::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    SetBufLit(FLit);
    centreOnMainWindow(this);
}
