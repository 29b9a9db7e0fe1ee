#pragma once
// Asks for what only the installer knows before the commissioning record is written: the site,
// the section, their own name and the conditions of the day.
#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

class ReportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportDialog(QWidget* parent = nullptr);
    QLineEdit* leSite = nullptr;
    QLineEdit* leSection = nullptr;
    QLineEdit* leInstaller = nullptr;
    QPlainTextEdit* meConditions = nullptr;
};
