#include "panel/main.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CreateForms();
    fmMain->show();
    const int rc = app.exec();
    DestroyForms();
    return rc;
}
