#include "dialogs/help.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/texts.h"
#include "panel/fonts.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

// The one instance, made with the window and kept until it goes; every help button uses it.
TfmHelp* fmHelp = nullptr;

TfmHelp::TfmHelp(QWidget* parent) : QDialog(parent)
{
    fmHelp = this;
    fixDialogFrame(this, 401, 318);
    setWindowIcon(QIcon(QStringLiteral(":/images/help_window.xpm")));
    setFont(programFont(11));

    stText = new QLabel(this);
    stText->setGeometry(24, 32, 353, 217);
    stText->setFont(programFont(15));
    stText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    stText->setTextFormat(Qt::PlainText);
    stText->setWordWrap(true);

    bbClose = pictureButton(this, "close.xpm", QString::fromUtf8(HELP_CLOSE), 140, 276, 121, 25);
    bbClose->setFont(programFont(16));
    bbClose->setDefault(true);
    connect(bbClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfmHelp::SetText(const QString& Value)
{
    FText = Value;
    // The program's texts break lines with LF CR; a label breaks on LF alone.
    QString shown = Value;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    stText->setText(shown);
}

void TfmHelp::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    centreOnParentWindow(this);
}

void VivHelp(const QString& FormCapt, const QString& TextMes)
{
    fmHelp->setWindowTitle(FormCapt);
    fmHelp->SetText(TextMes);
    fmHelp->exec();
}
