#pragma once
// What every dialog of the program shares: a fixed frame with only a close box, placement
// over the main window, and the push buttons with a picture.
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QGroupBox;
class SpeedButton;
class QPushButton;
class QWidget;

// Fixed client size, no resizing, title bar with the close box only.
void fixDialogFrame(QDialog* d, int w, int h);
// Puts the window's client area in the middle of its parent window's (if it has one): the
// dialogs are made with the main window as their parent.
void centreOnParentWindow(QWidget* w);
// A push button with a picture from ":/images" and an optional caption, at a fixed place.
QPushButton* pictureButton(QWidget* parent, const QString& image, const QString& caption, int left, int top,
                           int w, int h);
// The confirm button (Enter; result OK) and the cancel button (Esc; result Cancel) of a
// settings dialog, 130 x 25 each, at the given top-left corners.
void addSetCancelButtons(QDialog* d, QPushButton*& bbSet, int setLeft, int setTop, QPushButton*& bbCancel,
                         int cancelLeft, int cancelTop);
// The 23 x 22 help button with only the help picture.
QPushButton* helpButton(QWidget* parent, int left, int top);
// A dialog's group of choices: one exclusive toggle button per caption, at its place in the
// group box, tagged firstTag, firstTag + 1, ...; clicked(i) is told which one was pressed.
QList<SpeedButton*> makeChoiceButtons(QGroupBox* box, const QStringList& captions, const QList<QRect>& places,
                                      int firstTag, const std::function<void(int index)>& clicked);
