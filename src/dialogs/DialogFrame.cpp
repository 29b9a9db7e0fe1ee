#include "dialogs/DialogFrame.h"

#include "panel/main.h"

#include <QDialog>
#include <QIcon>
#include <QPushButton>

void fixDialogFrame(QDialog* d, int w, int h)
{
    d->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                      Qt::MSWindowsFixedSizeDialogHint);
    d->setFixedSize(w, h);
}

void centreOnMainWindow(QWidget* w)
{
    if (!fmMain)
        return;
    QRect r = w->geometry();
    r.moveCenter(fmMain->geometry().center());
    // geometry() is the client area, move() places the frame: keep the frame's offset.
    w->move(r.topLeft() - (w->geometry().topLeft() - w->pos()));
}

QPushButton* pictureButton(QWidget* parent, const QString& image, const QString& caption, int left, int top,
                           int w, int h)
{
    auto* b = new QPushButton(caption, parent);
    b->setIcon(QIcon(QStringLiteral(":/images/") + image));
    b->setGeometry(left, top, w, h);
    b->setAutoDefault(false);
    return b;
}
