#pragma once
// Qt's own texts (the file dialogs' buttons and columns, the standard buttons of the boxes) in
// the user's language, from the translations Qt ships: an installer's system speaks Russian.
#include <QLocale>
#include <QString>

class QTranslator;

// Installs the translations for locale found in dir, owned by the application; nothing, and
// Qt's texts stay English, when dir holds none. The system's are at
// QLibraryInfo::path(QLibraryInfo::TranslationsPath).
QTranslator* installQtTranslations(const QLocale& locale, const QString& dir);
