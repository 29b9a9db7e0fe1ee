// Qt's own dialogs speak the installer's language when Qt's translations are installed, and
// stay as they were when they are not.
#include "panel/QtTranslations.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {
// The button that saves in Qt's own save dialog, as the user reads it.
QString saveButtonText()
{
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto* box = dialog.findChild<QDialogButtonBox*>();
    if (!box || box->buttons().isEmpty())
        return {};
    return box->buttons().first()->text().remove(QLatin1Char('&'));
}
}  // namespace

class tst_QtTranslations : public QObject {
    Q_OBJECT
private slots:
    void saveDialog_data();
    void saveDialog();
};

void tst_QtTranslations::saveDialog_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("button");
    const QString system = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QTest::newRow("Russian system") << system << QLocale(QLocale::Russian, QLocale::Russia) << QStringLiteral("Сохранить");
    QTest::newRow("English system") << system << QLocale(QLocale::English, QLocale::UnitedStates) << QStringLiteral("Save");
    QTest::newRow("no translations installed") << QStringLiteral("<empty>") << QLocale(QLocale::Russian, QLocale::Russia)
                                               << QStringLiteral("Save");
}

void tst_QtTranslations::saveDialog()
{
    QFETCH(QString, dir);
    QFETCH(QLocale, locale);
    QFETCH(QString, button);
    const QString system = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (dir == system && !QFileInfo::exists(system + QStringLiteral("/qtbase_ru.qm")))
        QSKIP("Qt's translations are not installed (Debian: qt6-translations-l10n; scripts/deps.sh installs it)");
    QTemporaryDir empty;
    if (dir == QStringLiteral("<empty>"))
        dir = empty.path();

    QTranslator* installed = installQtTranslations(locale, dir);
    const QString shown = saveButtonText();
    if (installed)
        QCoreApplication::removeTranslator(installed);
    delete installed;
    QCOMPARE(shown, button);
}

QTEST_MAIN(tst_QtTranslations)
#include "tst_qttranslations.moc"
