#include "panel/QtTranslations.h"

#include <QCoreApplication>
#include <QTranslator>

QTranslator* installQtTranslations(const QLocale& locale, const QString& dir)
{
    // "qt_<language>" gathers the translations of every Qt module that has one.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), dir)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}
