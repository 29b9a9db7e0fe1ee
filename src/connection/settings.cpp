#include "connection/IniFile.h"
#include "connection/SafeFile.h"
#include "connection/startup.h"
#include "connection/texts.h"
#include "panel/main.h"
#include "panel/widgets.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

const QByteArray SECTION = "INTERF";
const QByteArray KEY_TOP = "TOP";
const QByteArray KEY_LEFT = "LEFT";
const QByteArray KEY_RING = "RING";

// A position saved on a monitor that is gone would put the window out of reach: some of
// its title bar must lie on a screen now.
bool reachable(const QPoint& topLeft, int width)
{
    const QRect titleBar(topLeft, QSize(qMax(width, 100), 30));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = titleBar.intersected(screen->availableGeometry());
        if (seen.width() >= 50 && seen.height() >= 10)
            return true;
    }
    return false;
}

}  // namespace

void TfmMain::ReadIniFile(const QString& FileName)
{
    // Said now, while someone is there to read it; the write at exit then fails quietly.
    const QString refused = SafeFile::refusal(FileName);
    if (!refused.isEmpty() && !closingProgram()) {
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(ERROR_CAPT),
                        QString::fromUtf8(SETTINGS_ERROR_TEXT).arg(QFileInfo(FileName).absoluteFilePath(), refused),
                        QMessageBox::Ok);
        box.exec();
    }
    IniFile ini;
    ini.load(FileName);
    // Without a saved position the platform places the window.
    const bool hasPosition = ini.value(SECTION, KEY_TOP) || ini.value(SECTION, KEY_LEFT);
    const QPoint saved(ini.readInteger(SECTION, KEY_LEFT, x()), ini.readInteger(SECTION, KEY_TOP, y()));
    if (hasPosition && reachable(saved, width()))
        move(saved);
    sbZvonok->setChecked(ini.readBool(SECTION, KEY_RING, true));
}

void TfmMain::WriteIniFile(const QString& FileName)
{
    IniFile ini;
    ini.load(FileName);
    ini.writeInteger(SECTION, KEY_TOP, y());
    ini.writeInteger(SECTION, KEY_LEFT, x());
    ini.writeBool(SECTION, KEY_RING, sbZvonok->Down());
    // Nobody is left to tell at exit; a settings file that cannot be written only costs
    // the saved position and mute state.
    if (!ini.save(FileName))
        qWarning("Cannot write the settings file %s", qPrintable(FileName));
}
