#include "connection/ReportFile.h"
#include "connection/texts.h"
#include "panel/main.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace {
// The window that has already been told that a line could not be written.
QPointer<QObject> reportWarnedWindow;
}  // namespace

void TfmMain::AddEvent(const QString& ev)
{
    // A report file that could not be created was already reported at start; the program
    // goes on without it.
    if (!fRep || fRep->append(ev) || reportWarnedWindow == this)
        return;
    reportWarnedWindow = this;
    // Not modal: the exchange goes on while the message is read.
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(ERROR_CAPT),
                                QString::fromUtf8(REPORT_WRITE_ERROR_TEXT)
                                    .arg(QFileInfo(QString::fromUtf8(REPORT_FILE)).absoluteFilePath(),
                                         fRep->errorString()),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
