// The date panel's text from the locale's short date and time.

#include "app/date_panel_text.h"

QString datePanelText(const QDateTime& now, const QLocale& locale) {
    return locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("   ") +
           locale.toString(now.time(), QLocale::ShortFormat);
}
