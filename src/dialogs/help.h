#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

class TfmHelp : public QDialog {
    Q_OBJECT
public:
    explicit TfmHelp(QWidget* parent = nullptr);

    QLabel* stText = nullptr;
    QPushButton* bbClose = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
};

extern TfmHelp* fmHelp;

// Shows a titled help text in fmHelp, modally, without greying the main window out.
void VivHelp(const QString& FormCapt, const QString& TextMes);
