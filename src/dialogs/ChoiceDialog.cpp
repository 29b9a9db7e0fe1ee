#include "dialogs/ChoiceDialog.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/help.h"
#include "panel/fonts.h"
#include "panel/widgets.h"

#include <QGroupBox>
#include <QKeyEvent>

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
    for (QPushButton* b : {bbSet, bbCancel})
        b->installEventFilter(this);
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

bool ChoiceDialog::chooseByKey(const QKeyEvent* e)
{
    if (e->modifiers() != Qt::NoModifier && e->modifiers() != Qt::KeypadModifier)
        return false;
    const int key = e->key();
    // The ranges stand one above the other, the letters side by side: either pair of arrows.
    const bool back = key == Qt::Key_Left || key == Qt::Key_Up;
    const bool forward = key == Qt::Key_Right || key == Qt::Key_Down;
    int i = -1;
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        i = key - Qt::Key_1;
    } else if (back || forward) {
        int shown = -1;
        for (int k = 0; k < FChoices.size(); ++k)
            if (FChoices[k]->isChecked())
                shown = k;
        if (shown < 0)
            i = forward ? 0 : int(FChoices.size()) - 1;
        else
            i = shown + (forward ? 1 : -1);
    } else {
        return false;
    }
    // A key past the choices is still taken: it must not move the focus or reach a button.
    if (i >= 0 && i < FChoices.size())
        FChoices[i]->click();
    return true;
}

void ChoiceDialog::keyPressEvent(QKeyEvent* e)
{
    if (!chooseByKey(e))
        QDialog::keyPressEvent(e);
}

bool ChoiceDialog::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::KeyPress && (watched == bbSet || watched == bbCancel)
        && chooseByKey(static_cast<QKeyEvent*>(e)))
        return true;
    return QDialog::eventFilter(watched, e);
}
