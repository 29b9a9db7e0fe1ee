#include "connection/IniFile.h"
#include "connection/SafeFile.h"
#include "connection/startup.h"
#include "connection/texts.h"
#include "panel/main.h"
#include "panel/widgets.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include <optional>

namespace {

const QByteArray SECTION = "INTERF";
const QByteArray KEY_TOP = "TOP";
const QByteArray KEY_LEFT = "LEFT";
const QByteArray KEY_RING = "RING";

// A position saved on a monitor that is gone would put the window out of reach: some of
// its title bar must lie on a screen now. Counted in 64 bits, so that a position near the
// ends of the int range (a damaged or edited file) cannot wrap around onto a screen.
bool reachable(const QPoint& topLeft, int width)
{
    const qint64 left = topLeft.x();
    const qint64 top = topLeft.y();
    const qint64 right = left + qMax(width, 100);
    const qint64 bottom = top + 30;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const qint64 seenWidth = qMin<qint64>(right, qint64(area.x()) + area.width()) - qMax<qint64>(left, area.x());
        const qint64 seenHeight = qMin<qint64>(bottom, qint64(area.y()) + area.height()) - qMax<qint64>(top, area.y());
        if (seenWidth >= 50 && seenHeight >= 10)
            return true;
    }
    return false;
}

struct Kept {
    int top = 0;
    int left = 0;
    bool ring = true;
};
// What the exit hook writes when the program ends without closing its window (the display
// gone): plain values, since no widget may be asked then.
std::optional<Kept> kept;
QString keptFile;

void writeSettings(const QString& FileName, const Kept& values)
{
    IniFile ini;
    ini.load(FileName);
    ini.writeInteger(SECTION, KEY_TOP, values.top);
    ini.writeInteger(SECTION, KEY_LEFT, values.left);
    ini.writeBool(SECTION, KEY_RING, values.ring);
    // Nobody is left to tell at exit; a settings file that cannot be written only costs
    // the saved position and mute state, and one that could not be read is left as it was.
    QString error;
    if (!ini.save(FileName, &error))
        qWarning("Cannot write the settings file %s: %s", qPrintable(FileName), qPrintable(error));
}

// Follows the window's moves into the kept settings.
class KeptWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Move && kept)
            keepSettings();
        return QObject::eventFilter(watched, event);
    }
};
QPointer<KeptWatch> keptWatch;

}  // namespace

void TfmMain::ReadIniFile(const QString& FileName)
{
    // Said now, while someone is there to read it; the write at exit then fails quietly.
    IniFile ini;
    ini.load(FileName);
    QString refused = SafeFile::refusal(FileName);
    if (refused.isEmpty())
        refused = ini.unreadableReason();
    if (!refused.isEmpty() && !closingProgram()) {
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(ERROR_CAPT),
                        QString::fromUtf8(SETTINGS_ERROR_TEXT).arg(QFileInfo(FileName).absoluteFilePath(), refused),
                        QMessageBox::Ok);
        box.exec();
    }
    // Without a saved position the platform places the window.
    const bool hasPosition = ini.value(SECTION, KEY_TOP) || ini.value(SECTION, KEY_LEFT);
    const QPoint saved(ini.readInteger(SECTION, KEY_LEFT, x()), ini.readInteger(SECTION, KEY_TOP, y()));
    if (hasPosition && reachable(saved, width()))
        move(saved);
    sbZvonok->setChecked(ini.readBool(SECTION, KEY_RING, true));
}

void TfmMain::WriteIniFile(const QString& FileName)
{
    kept.reset();
    writeSettings(FileName, {y(), x(), sbZvonok->Down()});
}

void keepSettings()
{
    if (!fmMain)
        return;
    kept = Kept{fmMain->y(), fmMain->x(), fmMain->sbZvonok->Down()};
    if (keptWatch)
        return;
    keptFile = fmMain->SettingsFileName();
    keptWatch = new KeptWatch(fmMain);
    fmMain->installEventFilter(keptWatch);
    QObject::connect(fmMain->sbZvonok, &QAbstractButton::toggled, keptWatch, [] {
        if (kept)
            keepSettings();
    });
}

void writeKeptSettings()
{
    // Plain file calls only: the display may be gone, and with it every widget's use.
    if (!kept)
        return;
    const Kept values = *kept;
    kept.reset();
    writeSettings(keptFile, values);
}
