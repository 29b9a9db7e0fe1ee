#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

class TfmHelp : public QDialog {
    Q_OBJECT
public:
    explicit TfmHelp(QWidget* parent = nullptr);
    // The help text as given, with its LF CR line breaks; stText shows it line by line.
    QString Text() const { return FText; }
    void SetText(const QString& Value);

    QLabel* stText = nullptr;
    QPushButton* bbClose = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QString FText;
};

extern TfmHelp* fmHelp;

// Shows a titled help text in fmHelp, modally, without greying the main window out.
void VivHelp(const QString& FormCapt, const QString& TextMes);
