#include "dialogs/About.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/texts.h"
#include "panel/fonts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

// Each dialog has one instance, made with the window and kept until it goes; its opener uses it.
TfmAbout* fmAbout = nullptr;

namespace {
QLabel* textLabel(const char* text, QWidget* parent, int left, int top, int w, int h)
{
    auto* la = new QLabel(QString::fromUtf8(text), parent);
    la->setGeometry(left, top, w, h);
    la->setFont(aboutFont(13));
    la->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return la;
}
}  // namespace

TfmAbout::TfmAbout(QWidget* parent) : QDialog(parent)
{
    fmAbout = this;
    fixDialogFrame(this, 275, 213);
    setWindowTitle(QString::fromUtf8(ABOUT_CAPT));
    setFont(aboutFont(11));

    Panel1 = new QLabel(this);
    Panel1->setGeometry(8, 8, 259, 161);
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);  // a groove: lowered outside, raised inside

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(8, 8, 33, 33);
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/images/program.xpm")));
    ProgramIcon->setScaledContents(true);

    lbProductName = textLabel(ABOUT_PRODUCT, Panel1, 56, 16, 161, 16);
    lbCopyright = textLabel(ABOUT_COPYRIGHT, Panel1, 8, 63, 249, 16);
    lbComments = textLabel(ABOUT_COMMENTS, Panel1, 8, 83, 217, 52);
    lbComments->setWordWrap(true);

    bbOk = new QPushButton(QString::fromUtf8(ABOUT_OK), this);
    bbOk->setGeometry(102, 177, 75, 25);
    bbOk->setFont(aboutFont(16));
    bbOk->setDefault(true);
    connect(bbOk, &QPushButton::clicked, this, &TfmAbout::bbOkClick);
}

void TfmAbout::bbOkClick()
{
    accept();
}

void TfmAbout::keyPressEvent(QKeyEvent* e)
{
    // There is no cancel button, so Esc has nothing to press.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfmAbout::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    centreOnParentWindow(this);
}
