#include "dialogs/skor.h"

#include "dialogs/texts.h"

const char* const Skorost_capt[3] = {SKOR_CAPT_10, SKOR_CAPT_4, SKOR_CAPT_1};

// The one instance, made with the window and kept until it goes; its opener uses it.
TfmSkor* fmSkor = nullptr;

namespace {

ChoiceDialog::Look look()
{
    QStringList captions;
    QList<QRect> places;
    for (int i = 0; i < 3; ++i) {
        captions << QString::fromUtf8(Skorost_capt[i]);
        places << QRect(44, 32 + 48 * i, 113, 33);
    }
    return {QSize(242, 303), SKOR_CAPT, SKOR_GROUP, QRect(16, 22, 209, 178), captions, places, 0,
            QPoint(54, 222), QPoint(54, 262), QPoint(202, 263), HELP_WIN_CAPT_SKOR, HELP_TEXT_SKOR};
}

}  // namespace

TfmSkor::TfmSkor(QWidget* parent) : ChoiceDialog(parent, look())
{
    fmSkor = this;
    nameControls(gbSkor, sbSkor, sbHelpSkor);
    showChoice(FScor);
}

QString skorostText(Skorost Value)
{
    // An index the detector may report beyond the known ranges has no caption: show its number.
    return Value < 3 ? QString::fromUtf8(Skorost_capt[Value]) : QString::number(Value);
}

void TfmSkor::SetScor(Skorost Value)
{
    FScor = Value;
    showChoice(Value);
    emit choiceShown(Value);
}

void TfmSkor::sbSkorClick(SpeedButton* Sender) { SetScor(static_cast<Skorost>(choiceTag(Sender))); }
