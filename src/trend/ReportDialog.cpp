#include "trend/ReportDialog.h"

#include "trend/texts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

ReportDialog::ReportDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(REPORT_DIALOG_TITLE));
    leSite = new QLineEdit(this);
    leInstaller = new QLineEdit(this);
    // A line of the report, not a letter.
    for (QLineEdit* e : {leSite, leInstaller})
        e->setMaxLength(200);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8(REPORT_BB_OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(REPORT_BB_CANCEL));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QString::fromUtf8(REPORT_LA_SITE), leSite);
    form->addRow(QString::fromUtf8(REPORT_LA_INSTALLER), leInstaller);
    form->addRow(buttons);
    setMinimumWidth(420);
}
