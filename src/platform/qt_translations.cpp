// Loads Qt's own German catalogue ("qt_de", which pulls in the modules' files) from Qt's
// translations folder or a given one.

#include "platform/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtTranslations(QCoreApplication& app, const QLocale& locale, const QString& folder) {
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    // "qt_de" is the meta catalogue that pulls in qtbase_de and the other modules' files.
    auto* translator = new QTranslator(&app);
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), from)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
