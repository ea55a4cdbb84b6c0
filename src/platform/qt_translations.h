#pragma once

// Qt's own texts (the buttons of its file, print and colour dialogs, its message boxes)
// in the desktop's language, from the translations Debian ships in qt6-translations-l10n.
// GUI thread, before the first window.

#include <QLocale>
#include <QString>

class QCoreApplication;
class QObject;

// Installs Qt's translation for `locale` into `app`, parented to it, read from `folder`
// (empty: Qt's own translations folder). False when there is none for that language,
// which leaves Qt's English texts: nothing the program does depends on them.
bool installQtTranslations(QCoreApplication& app, const QLocale& locale, const QString& folder = {});
