#include "dialogs/liter.h"

#include "dialogs/texts.h"

// The one instance, made with the window and kept until it goes; its opener uses it.
TfmLiter* fmLiter = nullptr;

namespace {

ChoiceDialog::Look look()
{
    QStringList captions;
    QList<QRect> places;
    for (int left : {16, 51, 87, 123, 158, 194, 230, 266}) {
        captions << QString::number(captions.size() + 1);
        places << QRect(left, 32, 23, 22);
    }
    return {QSize(343, 144), LITER_CAPT, LITER_GROUP, QRect(16, 16, 305, 74), captions, places, 1,
            QPoint(14, 104), QPoint(172, 104), QPoint(313, 105), HELP_WIN_CAPT_LIT, HELP_TEXT_LIT};
}

}  // namespace

TfmLiter::TfmLiter(QWidget* parent) : ChoiceDialog(parent, look())
{
    fmLiter = this;
    nameControls(gbLiter, sb, sbHelpLit);
    showChoice(FLit);
}

void TfmLiter::SetLit(TLitera Value)
{
    FLit = Value;
    // A letter the buttons do not have is still shown; the group keeps what it had.
    showChoice(Value);
    emit choiceShown(Value);
}

void TfmLiter::sbClick(SpeedButton* Sender) { SetLit(static_cast<TLitera>(choiceTag(Sender))); }
