#pragma once
// What the letter and the crossing-speed dialogs share: a group of exclusive toggle buttons,
// one a value, the confirm, cancel and help buttons, and the value at opening kept for the
// opener, which puts it back when the dialog is not confirmed.
#include <QDialog>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstddef>

class QGroupBox;
class QKeyEvent;
class QPushButton;
class SpeedButton;

class ChoiceDialog : public QDialog {
    Q_OBJECT
public:
    // Where everything goes and what it says; places of the choices are within the group.
    struct Look {
        QSize size;
        const char* title;
        const char* groupTitle;
        QRect group;
        QStringList captions;
        QList<QRect> places;
        int firstTag;  // the value of the first choice; the others follow one by one
        QPoint set, cancel, help;
        const char* helpTitle;
        const char* helpText;
    };

    QPushButton* bbSet = nullptr;
    QPushButton* bbCancel = nullptr;

protected:
    ChoiceDialog(QWidget* parent, const Look& look);

    // A choice was pressed: the dialog takes its tag as its value.
    virtual void chosen(SpeedButton* button) = 0;
    // The dialog is showing: the value now is the value at opening.
    virtual void keepValueAtOpening() = 0;
    // Presses the choice of this value; a value none has leaves the group as it was.
    void showChoice(int value);
    void showHelp();
    void showEvent(QShowEvent* e) override;
    // Keys that choose: taken from the focused button too, which would move the focus on an
    // arrow key instead.
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Hands the group, its choices and the help button to the names the dialog knows them by.
    template <std::size_t N>
    void nameControls(QGroupBox*& group, std::array<SpeedButton*, N>& choices, QPushButton*& help) const
    {
        group = FGroup;
        std::copy_n(FChoices.begin(), std::min<std::size_t>(N, std::size_t(FChoices.size())), choices.begin());
        help = FHelp;
    }

    QGroupBox* FGroup = nullptr;
    QList<SpeedButton*> FChoices;
    QPushButton* FHelp = nullptr;

private:
    // A digit presses the choice of that number; an arrow presses the one beside the choice
    // shown, stopping at the ends. False for any other key.
    bool chooseByKey(const QKeyEvent* e);
    int FFirstTag;
    const char* FHelpTitle;
    const char* FHelpText;
};

// The value a choice stands for.
int choiceTag(const SpeedButton* button);
