// What the start page says while no unit answers: a waiting message or an error.
#include "panel/main.h"

#include "connection/DetectorConnection.h"

#include "panel/colors.h"
#include "panel/state_texts.h"
#include "panel/texts.h"
#include "panel/widgets.h"

#include <QPushButton>

void TfmMain::VivMess(const QString& Mes, const QString& TextMes)
{
    setTextColor(stMessage, clWindowText());
    stMessage->setText(Mes);
    stText->setText(TextMes);
    SetButtons(false);
}

void TfmMain::VivError(const QString& ErrMes, const QString& TextMes)
{
    // A failed search offers to search again; a lost link offers to get it back.
    bbFind->setText(QString::fromUtf8(connection->searching() ? CAPT_BB_FIND : CAPT_BB_REPAIR));
    setTextColor(stMessage, clRed);
    stMessage->setText(ErrMes);
    stText->setText(TextMes);
    SetButtons(true);
}

void TfmMain::SetButtons(bool enabled)
{
    bbFind->setEnabled(enabled);
    bbInitClose->setEnabled(enabled);
}
