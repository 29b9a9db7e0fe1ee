#include "panel/fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QString>

namespace {
// Debian's fonts-wine carries metric-compatible copies of the faces the windows were laid out in.
const char TAHOMA_FILE[] = "/usr/share/wine/fonts/tahoma.ttf";
const char SANS_SERIF_FILE[] = "/usr/share/wine/fonts/ms_sans_serif.ttf";
// Used when those files are missing: a plain sans-serif with Cyrillic on every Debian desktop.
const char FALLBACK_FAMILY[] = "DejaVu Sans";

QString familyFrom(const char* file)
{
    if (QFile::exists(QString::fromLatin1(file))) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            return families.first();
    }
    return QString::fromLatin1(FALLBACK_FAMILY);
}

QString& programFamily()
{
    static QString f;
    return f;
}

QFont sized(const QString& family, int pixelSize, bool bold)
{
    QFont f(family);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}
}  // namespace

void loadProgramFont()
{
    if (programFamily().isEmpty())
        programFamily() = familyFrom(TAHOMA_FILE);
}

QFont programFont(int pixelSize, bool bold)
{
    loadProgramFont();
    return sized(programFamily(), pixelSize, bold);
}

QFont aboutFont(int pixelSize)
{
    static const QString family = familyFrom(SANS_SERIF_FILE);
    return sized(family, pixelSize, false);
}
