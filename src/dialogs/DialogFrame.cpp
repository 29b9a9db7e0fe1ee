#include "dialogs/DialogFrame.h"

#include "dialogs/texts.h"
#include "panel/fonts.h"
#include "panel/widgets.h"

#include <QButtonGroup>
#include <QGroupBox>

#include <QDialog>
#include <QIcon>
#include <QPushButton>

void fixDialogFrame(QDialog* d, int w, int h)
{
    d->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                      Qt::MSWindowsFixedSizeDialogHint);
    d->setFixedSize(w, h);
}

void centreOnParentWindow(QWidget* w)
{
    if (!w->parentWidget())
        return;
    QRect r = w->geometry();
    r.moveCenter(w->parentWidget()->window()->geometry().center());
    // geometry() is the client area, move() places the frame: keep the frame's offset.
    w->move(r.topLeft() - (w->geometry().topLeft() - w->pos()));
}

QPushButton* pictureButton(QWidget* parent, const QString& image, const QString& caption, int left, int top,
                           int w, int h)
{
    auto* b = new QPushButton(caption, parent);
    b->setIcon(QIcon(QStringLiteral(":/images/") + image));
    b->setGeometry(left, top, w, h);
    return b;
}

void addSetCancelButtons(QDialog* d, QPushButton*& bbSet, int setLeft, int setTop, QPushButton*& bbCancel,
                         int cancelLeft, int cancelTop)
{
    bbSet = pictureButton(d, QStringLiteral("ok.xpm"), QString::fromUtf8(BTN_SET), setLeft, setTop, 130, 25);
    bbSet->setFont(programFont(16));
    bbSet->setDefault(true);
    QObject::connect(bbSet, &QPushButton::clicked, d, &QDialog::accept);
    bbCancel = pictureButton(d, QStringLiteral("cancel.xpm"), QString::fromUtf8(BTN_CANCEL), cancelLeft, cancelTop,
                             130, 25);
    bbCancel->setFont(programFont(16));
    QObject::connect(bbCancel, &QPushButton::clicked, d, &QDialog::reject);
}

QPushButton* helpButton(QWidget* parent, int left, int top)
{
    QPushButton* b = pictureButton(parent, QStringLiteral("help.xpm"), QString(), left, top, 23, 22);
    b->setFocusPolicy(Qt::NoFocus);  // a speed button: clicked, never focused
    b->setAccessibleName(QString::fromUtf8(ACC_HELP));
    return b;
}

QList<SpeedButton*> makeChoiceButtons(QGroupBox* box, const QStringList& captions, const QList<QRect>& places,
                                      int firstTag, const std::function<void(int index)>& clicked)
{
    auto* group = new QButtonGroup(box);
    group->setExclusive(true);
    QList<SpeedButton*> buttons;
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new SpeedButton(captions[i], box);
        b->setGeometry(places.value(i));
        // Never focused, so never the button Enter presses: Enter stays with "Установить".
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        b->setProperty("Tag", firstTag + i);
        group->addButton(b);
        QObject::connect(b, &QPushButton::clicked, box, [clicked, i] { clicked(i); });
        buttons << b;
    }
    return buttons;
}
