#include "trend/ReportDialog.h"

#include "trend/texts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

ReportDialog::ReportDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(REPORT_DIALOG_TITLE));
    leSite = new QLineEdit(this);
    leSection = new QLineEdit(this);
    leInstaller = new QLineEdit(this);
    // A line of the report, not a letter.
    for (QLineEdit* e : {leSite, leSection, leInstaller})
        e->setMaxLength(200);
    meConditions = new QPlainTextEdit(this);
    meConditions->setTabChangesFocus(true);
    meConditions->setFixedHeight(4 * meConditions->fontMetrics().lineSpacing() + 12);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8(REPORT_BB_OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(REPORT_BB_CANCEL));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QString::fromUtf8(REPORT_LA_SITE), leSite);
    form->addRow(QString::fromUtf8(REPORT_LA_SECTION), leSection);
    form->addRow(QString::fromUtf8(REPORT_LA_INSTALLER), leInstaller);
    form->addRow(QString::fromUtf8(REPORT_LA_CONDITIONS), meConditions);
    form->addRow(buttons);
    setMinimumWidth(480);
}
