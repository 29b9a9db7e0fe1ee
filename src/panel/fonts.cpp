#include "panel/fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QString>

namespace {
// Debian's fonts-wine carries a metric-compatible copy of the face the window was laid out in.
const char TAHOMA_FILE[] = "/usr/share/wine/fonts/tahoma.ttf";
// Used when that file is missing: a plain sans-serif with Cyrillic on every Debian desktop.
const char FALLBACK_FAMILY[] = "DejaVu Sans";

QString& family()
{
    static QString f;
    return f;
}
}  // namespace

void loadProgramFont()
{
    if (!family().isEmpty())
        return;
    if (QFile::exists(TAHOMA_FILE)) {
        const int id = QFontDatabase::addApplicationFont(TAHOMA_FILE);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) {
            family() = families.first();
            return;
        }
    }
    family() = FALLBACK_FAMILY;
}

QFont programFont(int pixelSize, bool bold)
{
    loadProgramFont();
    QFont f(family());
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}
