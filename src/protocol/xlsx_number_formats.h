// Dates and times in .xlsx workbooks: the cell styles' number formats, so that a read cell
// gives the text Excel shows rather than a day count.

#pragma once

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

// The date and time formats of an .xlsx workbook's cell styles. A date or a time is
// stored as a number of days since 1899-12-30; the cell shows it through its style's
// number format, and that shown text is what the protocol takes. Plain value, any thread.
class XlsxNumberFormats {
public:
    // From the workbook's styles part (xl/styles.xml); a damaged part gives no formats.
    static XlsxNumberFormats fromStyles(const QByteArray& stylesXml);

    // The text a number cell of style `styleIndex` shows, when that style formats it as
    // a date or a time ("01.06.2024", "00:04.5", "12:30:00"); nothing for every other style.
    std::optional<QString> dateTimeText(int styleIndex, double days, const QLocale& locale) const;

    // The text `days` shows through the date or time format `code`; nothing when the code
    // is no date or time format. Month and day names in the locale's language.
    static std::optional<QString> formatDateTime(const QString& code, double days, const QLocale& locale);

private:
    QList<QString> m_dateCodeByStyle; // empty where the style is no date or time
};
