#pragma once
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers every message box that comes up while it lives (modal or not), the way a user
// presses its default button, and keeps what each one said.
class MessageBoxCatcher : public QObject {
    Q_OBJECT
public:
    MessageBoxCatcher();
    struct Box {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };
    QList<Box> boxes;

private:
    void poll();
    QTimer FTimer;
};
