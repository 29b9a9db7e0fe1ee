#pragma once
// Asks for what only the installer knows before the commissioning report is written: the site
// and their own name.
#include <QDialog>

class QLineEdit;

class ReportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportDialog(QWidget* parent = nullptr);
    QLineEdit* leSite = nullptr;
    QLineEdit* leInstaller = nullptr;
};
