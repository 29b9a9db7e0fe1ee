// The settings file as the window uses it: read when it is created, written when it closes,
// and kept ready for an exit the window never sees.
#include "connection/ProgramSettings.h"
#include "connection/texts.h"
#include "panel/main.h"
#include "panel/startup.h"
#include "panel/widgets.h"
#include "trend/TrendPlacement.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include <optional>

namespace {

// A position saved on a monitor that is gone would put the window out of reach.
bool reachable(const QPoint& topLeft, int width)
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return reachableOn(topLeft, width, areas);
}

// What the exit hook writes when the program ends without closing its window (the display
// gone): plain values, since no widget may be asked then.
std::optional<ProgramSettings> kept;
QString keptFile;

ProgramSettings shownSettings(const TfmMain* window)
{
    ProgramSettings values;
    values.left = window->x();
    values.top = window->y();
    values.ring = window->sbZvonok->Down();
    values.aim = window->sbAim->Down();
    return values;
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
    QString refused;
    const ProgramSettings values = readProgramSettings(FileName, &refused);
    // Said now, while someone is there to read it; the write at exit then fails quietly.
    if (!refused.isEmpty() && !closingProgram()) {
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(ERROR_CAPT),
                        QString::fromUtf8(SETTINGS_ERROR_TEXT).arg(QFileInfo(FileName).absoluteFilePath(), refused),
                        QMessageBox::Ok);
        box.exec();
    }
    // Without a saved position the platform places the window.
    const QPoint saved(values.left.value_or(x()), values.top.value_or(y()));
    if ((values.left || values.top) && reachable(saved, width()))
        move(saved);
    sbZvonok->setChecked(values.ring);
    sbAim->setChecked(values.aim);
}

void TfmMain::WriteIniFile(const QString& FileName)
{
    kept.reset();
    writeProgramSettings(FileName, shownSettings(this));
}

void keepSettings()
{
    if (!fmMain)
        return;
    kept = shownSettings(fmMain);
    if (keptWatch)
        return;
    keptFile = fmMain->SettingsFileName();
    keptWatch = new KeptWatch(fmMain);
    fmMain->installEventFilter(keptWatch);
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(fmMain->sbZvonok), static_cast<QAbstractButton*>(fmMain->sbAim)})
        QObject::connect(b, &QAbstractButton::toggled, keptWatch, [] {
            if (kept)
                keepSettings();
        });
}

void writeKeptSettings()
{
    // Plain file calls only: the display may be gone, and with it every widget's use.
    if (!kept)
        return;
    const ProgramSettings values = *kept;
    kept.reset();
    writeProgramSettings(keptFile, values);
}
