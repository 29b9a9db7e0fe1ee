#include "dialogs/addr.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/help.h"
#include "dialogs/texts.h"
#include "panel/fonts.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

// The one instance, made with the window and kept until it goes; its opener uses it.
TfmAddr* fmAddr = nullptr;

namespace {

constexpr std::int32_t MAX_ADDR = 255;

// The field as an address: empty reads as 0; anything but digits (it can arrive by pasting)
// reads as -1, which no check lets through.
std::int32_t fieldValue(const QString& text)
{
    if (text.isEmpty())
        return 0;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return -1;
    return text.toInt();  // at most three digits: the field holds no more
}

}  // namespace

TfmAddr::TfmAddr(QWidget* parent) : QDialog(parent)
{
    fmAddr = this;
    fixDialogFrame(this, 190, 189);
    setWindowTitle(QString::fromUtf8(ADDR_CAPT));
    setFont(programFont(11));

    gbAddr = new QGroupBox(QString::fromUtf8(ADDR_GROUP), this);
    gbAddr->setGeometry(45, 16, 81, 74);
    gbAddr->setFont(programFont(16));
    edAddr = new QLineEdit(QStringLiteral("0"), gbAddr);
    edAddr->setGeometry(24, 32, 33, 27);
    edAddr->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edAddr->setMaxLength(3);
    edAddr->installEventFilter(this);

    addSetCancelButtons(this, bbSet, 20, 104, bbCancel, 20, 144);
    sbHelpAddr = helpButton(this, 161, 145);
    connect(sbHelpAddr, &QPushButton::clicked, this, &TfmAddr::sbHelpAddrClick);
}

void TfmAddr::SetAddr(std::int32_t Value)
{
    FAddr = Value;
    edAddr->setText(QString::number(Value));
    emit choiceShown(Value);
}

bool TfmAddr::FormCloseQuery(int r)
{
    const std::int32_t v = fieldValue(edAddr->text());
    if (r != QDialog::Accepted)
        return true;  // the opener puts the address at opening back
    if (v < 0 || v > MAX_ADDR) {
        QMessageBox::critical(this, windowTitle(), QString::fromUtf8(ADDR_ERROR));
        edAddr->setFocus();
        edAddr->selectAll();
        return false;
    }
    SetAddr(v);  // also drops leading zeros: "007" becomes "7"
    return true;
}

void TfmAddr::done(int r)
{
    if (FormCloseQuery(r))
        QDialog::done(r);
}

void TfmAddr::sbHelpAddrClick()
{
    VivHelp(QString::fromUtf8(HELP_WIN_CAPT_ADDR), QString::fromUtf8(HELP_TEXT_ADDR));
}

void TfmAddr::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    SetBufAddr(FAddr);
    centreOnParentWindow(this);
    edAddr->setFocus();
    edAddr->selectAll();
}

bool TfmAddr::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == edAddr && e->type() == QEvent::KeyPress) {
        // Keys without a printable character (backspace, arrows, Enter, Esc, shortcuts) pass.
        const QString t = static_cast<QKeyEvent*>(e)->text();
        if (!t.isEmpty() && t.at(0).isPrint() && fieldValue(t) < 0)
            return true;
    }
    return QDialog::eventFilter(watched, e);
}
