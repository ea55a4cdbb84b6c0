// Text conversions and comparisons behind the grid's sorting and searching.
// Pure functions and value objects, any thread.

#pragma once

#include "controls/sort_grid_types.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>

// Lower-cases the letters A to Z only; umlauts and every other character stay.
QString lowerCaseAZ(const QString& text);

// Upper-cases the letters a to z only.
QChar upperCaseAZ(QChar c);

// Key for the ordinal comparison: every character is replaced by its byte in the
// Windows-1252 code page (Latin-1 characters keep their code, the € and the other
// characters of 0x80 to 0x9F get theirs), so keys compare as the program's
// single-byte texts do: all ASCII before umlauts. Characters outside the code page
// keep their UTF-16 code and sort after every single-byte character. With
// lowerAZ the letters A to Z are lower-cased first.
QString ordinalKey(const QString& text, bool lowerAZ);
// The same key appended to out, so a sort can keep all keys in one buffer.
void appendOrdinalKey(QStringView text, bool lowerAZ, std::u16string& out);

// The first four units of a key packed so that comparing two prefixes as
// numbers orders them as ordinalCompare would; equal prefixes need the full
// comparison.
quint64 ordinalPrefix(QStringView key);

// Unsigned comparison unit by unit; a text that is a prefix of the other comes
// first. Returns -1, 0 or 1.
int ordinalCompare(QStringView a, QStringView b);

// Converts cell texts in one locale's formats. Built once per sort pass because
// it prepares the locale's date and time patterns. Every conversion fails on an
// empty text; numbers never accept group separators ("2,345" is not two
// thousand in any locale) nor infinities.
class LocaleTextConverter {
public:
    explicit LocaleTextConverter(const QLocale& locale);

    bool toNumber(const QString& text, double* value) const;
    // Milliseconds since 1899-12-30 00:00; a date alone is midnight, a time of
    // day alone lies on that day.
    bool toDateTime(const QString& text, qint64* msecs) const;
    // Milliseconds since midnight.
    bool toTime(const QString& text, qint64* msecs) const;

private:
    bool fastNumber(QStringView text, double* value) const;

    QLocale m_locale;
    QChar m_decimal; // null when the locale's numbers need the full parser
    QStringList m_dateFormats;
    QStringList m_timeFormats;
    QStringList m_dateTimeFormats;
};

// ssNumeric if every text is a number, else ssDateTime if every text is a date
// and time, else ssTime if every text is a time of day, else ssNormal.
TSortStyle detectTextsSortStyle(const QStringList& texts, const LocaleTextConverter& converter);
