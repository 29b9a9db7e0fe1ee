#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(QWidget* parent = nullptr);
    void bbOkClick();

    QLabel* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* lbProductName = nullptr;
    QLabel* lbCopyright = nullptr;
    QLabel* lbComments = nullptr;
    QPushButton* bbOk = nullptr;

protected:
    void keyPressEvent(QKeyEvent* e) override;  // Esc does not close it
    void showEvent(QShowEvent* e) override;
};

extern TfmAbout* fmAbout;
