#include "dialogs/liter.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/help.h"
#include "dialogs/texts.h"
#include "panel/fonts.h"
#include "panel/main.h"
#include "panel/widgets.h"

#include <QButtonGroup>
#include <QGroupBox>
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
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    static constexpr int lefts[8] = {16, 51, 87, 123, 158, 194, 230, 266};
    for (int i = 0; i < 8; ++i) {
        sb[i] = new SpeedButton(QString::number(i + 1), gbLiter);
        sb[i]->setGeometry(lefts[i], 32, 23, 22);
        makeChoiceButton(sb[i]);
        sb[i]->setProperty("Tag", i + 1);
        group->addButton(sb[i]);
        connect(sb[i], &QPushButton::clicked, this, [this, i] { sbClick(sb[i]); });
    }

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
