#include "MessageBoxCatcher.h"

#include <QApplication>
#include <QPushButton>

MessageBoxCatcher::MessageBoxCatcher()
{
    connect(&FTimer, &QTimer::timeout, this, &MessageBoxCatcher::poll);
    FTimer.start(10);
}

void MessageBoxCatcher::poll()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible())
            continue;
        boxes.append({box->icon(), box->windowTitle(), box->text()});
        if (QAbstractButton* b = box->defaultButton() ? box->defaultButton() : box->buttons().value(0))
            b->click();
        else
            box->close();
    }
}
