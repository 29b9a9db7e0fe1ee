#include "dialogs/ChoiceDialog.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/help.h"
#include "panel/fonts.h"
#include "panel/widgets.h"

#include <QGroupBox>

ChoiceDialog::ChoiceDialog(QWidget* parent, const Look& look)
    : QDialog(parent), FFirstTag(look.firstTag), FHelpTitle(look.helpTitle), FHelpText(look.helpText)
{
    fixDialogFrame(this, look.size.width(), look.size.height());
    setWindowTitle(QString::fromUtf8(look.title));
    setFont(programFont(11));

    FGroup = new QGroupBox(QString::fromUtf8(look.groupTitle), this);
    FGroup->setGeometry(look.group);
    FGroup->setFont(programFont(16));
    FChoices = makeChoiceButtons(FGroup, look.captions, look.places, look.firstTag,
                                 [this](int i) { chosen(FChoices[i]); });

    addSetCancelButtons(this, bbSet, look.set.x(), look.set.y(), bbCancel, look.cancel.x(), look.cancel.y());
    FHelp = helpButton(this, look.help.x(), look.help.y());
    connect(FHelp, &QPushButton::clicked, this, &ChoiceDialog::showHelp);
}

void ChoiceDialog::showChoice(int value)
{
    const int i = value - FFirstTag;
    if (i >= 0 && i < FChoices.size())
        FChoices[i]->setChecked(true);
}

void ChoiceDialog::showHelp() { VivHelp(QString::fromUtf8(FHelpTitle), QString::fromUtf8(FHelpText)); }

void ChoiceDialog::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    keepValueAtOpening();
    centreOnParentWindow(this);
}

int choiceTag(const SpeedButton* button) { return button->property("Tag").toInt(); }
