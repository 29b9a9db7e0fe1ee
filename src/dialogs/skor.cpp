#include "dialogs/skor.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/help.h"
#include "dialogs/texts.h"
#include "panel/fonts.h"
#include "panel/main.h"
#include "panel/widgets.h"

#include <QGroupBox>
#include <algorithm>
#include <QLabel>

const char* const Skorost_capt[3] = {SKOR_CAPT_10, SKOR_CAPT_4, SKOR_CAPT_1};

TfmSkor* fmSkor = nullptr;

TfmSkor::TfmSkor(QWidget* parent) : QDialog(parent)
{
    fmSkor = this;
    fixDialogFrame(this, 242, 303);
    setWindowTitle(QString::fromUtf8(SKOR_CAPT));
    setFont(programFont(11));

    gbSkor = new QGroupBox(QString::fromUtf8(SKOR_GROUP), this);
    gbSkor->setGeometry(16, 22, 209, 178);
    gbSkor->setFont(programFont(16));
    QStringList captions;
    QList<QRect> places;
    for (int i = 0; i < 3; ++i) {
        captions << QString::fromUtf8(Skorost_capt[i]);
        places << QRect(44, 32 + 48 * i, 113, 33);
    }
    const QList<SpeedButton*> buttons =
        makeChoiceButtons(gbSkor, captions, places, 0, [this](int i) { sbSkorClick(sbSkor[std::size_t(i)]); });
    std::copy(buttons.begin(), buttons.end(), sbSkor.begin());

    addSetCancelButtons(this, bbSet, 54, 222, bbCancel, 54, 262);
    sbHelpSkor = helpButton(this, 202, 263);
    connect(sbHelpSkor, &QPushButton::clicked, this, &TfmSkor::sbHelpSkorClick);

    sbSkor[FScor]->setChecked(true);
}

QString skorostText(Skorost Value)
{
    // An index the detector may report beyond the known ranges has no caption: show its number.
    return Value < 3 ? QString::fromUtf8(Skorost_capt[Value]) : QString::number(Value);
}

void TfmSkor::SetScor(Skorost Value)
{
    FScor = Value;
    if (Value < sbSkor.size())
        sbSkor[Value]->setChecked(true);
    if (fmMain)
        fmMain->stSkor->setText(skorostText(Value));
}

void TfmSkor::sbSkorClick(SpeedButton* Sender)
{
    SetScor(static_cast<Skorost>(Sender->property("Tag").toInt()));
}

void TfmSkor::sbHelpSkorClick()
{
    VivHelp(QString::fromUtf8(HELP_WIN_CAPT_SKOR), QString::fromUtf8(HELP_TEXT_SKOR));
}

void TfmSkor::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    SetBufScor(FScor);
    centreOnMainWindow(this);
}
