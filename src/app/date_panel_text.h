// The text of the main window's date panel, "07.03.14   09:05" in a German locale.

#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The date panel's text: the locale's short date, three blanks and its short time,
// e.g. "07.03.14   09:05". Pure function, any thread.
QString datePanelText(const QDateTime& now, const QLocale& locale);
