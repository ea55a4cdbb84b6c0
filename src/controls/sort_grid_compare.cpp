// The grid's ordinal keys in Windows-1252 order, the A-to-Z case rules, and the detection of
// numbers, dates and times for automatic sorting.

#include "controls/sort_grid_compare.h"

#include "controls/windows_1252.h"

#include <QDateTime>

#include <charconv>
#include <cmath>

namespace {

bool isUpperAZ(char16_t u) {
    return u >= u'A' && u <= u'Z';
}

// One unit of an ordinal key; characters outside the code page keep their code.
char16_t ordinalUnit(char16_t u, bool lowerAZ) {
    if (lowerAZ && isUpperAZ(u))
        return char16_t(u + 32);
    if (u > 0xFF) {
        const int b = windows1252Byte(u);
        if (b >= 0)
            return char16_t(b);
    }
    return u;
}

const QDate dayZero(1899, 12, 30);

// Patterns with a two-digit year also tried with four digits, which is how
// people type years.
void addWithLongYear(QStringList& list, const QString& format) {
    if (format.isEmpty()) {
        return;
    }
    if (!format.contains(QLatin1String("yyyy")) && format.contains(QLatin1String("yy"))) {
        QString longYear = format;
        longYear.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        list.append(longYear);
    }
    list.append(format);
}

void addUnique(QStringList& list, const QString& format) {
    if (!format.isEmpty() && !list.contains(format)) {
        list.append(format);
    }
}

} // namespace

QString lowerCaseAZ(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && !isUpperAZ(text.at(i).unicode())) {
        ++i;
    }
    if (i == n) {
        return text; // shared, no copy
    }
    QString lowered = text;
    QChar* data = lowered.data();
    for (; i < n; ++i) {
        if (isUpperAZ(data[i].unicode())) {
            data[i] = QChar(char16_t(data[i].unicode() + 32));
        }
    }
    return lowered;
}

QChar upperCaseAZ(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? QChar(char16_t(u - 32)) : c;
}

QString ordinalKey(const QString& text, bool lowerAZ) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && ordinalUnit(text.at(i).unicode(), lowerAZ) == text.at(i).unicode()) {
        ++i;
    }
    if (i == n) {
        return text; // shared, no copy
    }
    QString key = text;
    QChar* data = key.data();
    for (; i < n; ++i) {
        data[i] = QChar(ordinalUnit(data[i].unicode(), lowerAZ));
    }
    return key;
}

void appendOrdinalKey(QStringView text, bool lowerAZ, std::u16string& out) {
    const size_t start = out.size();
    out.resize(start + size_t(text.size()));
    char16_t* target = out.data() + start;
    for (QChar c : text) {
        *target++ = ordinalUnit(c.unicode(), lowerAZ);
    }
}

quint64 ordinalPrefix(QStringView key) {
    quint64 prefix = 0;
    for (qsizetype i = 0; i < 4; ++i) {
        // A missing unit counts below every character, as a shorter text does.
        prefix = (prefix << 16) | (i < key.size() ? quint64(key[i].unicode()) : 0);
    }
    return prefix;
}

int ordinalCompare(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    const QChar* pa = a.data();
    const QChar* pb = b.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ua = pa[i].unicode();
        const char16_t ub = pb[i].unicode();
        if (ua != ub) {
            return ua < ub ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

LocaleTextConverter::LocaleTextConverter(const QLocale& locale) : m_locale(locale) {
    m_locale.setNumberOptions(QLocale::RejectGroupSeparator);
    const QString decimal = m_locale.decimalPoint();
    if (decimal.size() == 1 && m_locale.zeroDigit() == QLatin1String("0")) {
        m_decimal = decimal.at(0);
    }

    addWithLongYear(m_dateFormats, m_locale.dateFormat(QLocale::ShortFormat));
    addUnique(m_dateFormats, m_locale.dateFormat(QLocale::LongFormat));

    addUnique(m_timeFormats, m_locale.timeFormat(QLocale::LongFormat));
    addUnique(m_timeFormats, m_locale.timeFormat(QLocale::ShortFormat));
    // Hours, minutes and seconds with the common separator, also in locales
    // whose own patterns carry a time zone or a day period.
    for (const char* plain : {"H:mm:ss.zzz", "H:mm:ss", "H:mm"}) {
        addUnique(m_timeFormats, QString::fromLatin1(plain));
    }

    for (const QString& date : std::as_const(m_dateFormats)) {
        for (const QString& time : std::as_const(m_timeFormats)) {
            m_dateTimeFormats.append(date + QLatin1Char(' ') + time);
        }
    }
}

bool LocaleTextConverter::toNumber(const QString& text, double* value) const {
    const QStringView trimmed = QStringView(text).trimmed();
    if (fastNumber(trimmed, value)) {
        return true;
    }
    bool ok = false;
    const double v = m_locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(v)) {
        return false;
    }
    *value = v;
    return true;
}

// Plain numbers (ASCII digits, the locale's decimal separator, an exponent)
// without the cost of the locale's general parser; anything else goes there.
bool LocaleTextConverter::fastNumber(QStringView text, double* value) const {
    if (m_decimal.isNull() || text.isEmpty() || text.size() > 60) {
        return false;
    }
    char buffer[64];
    int n = 0;
    qsizetype i = 0;
    auto digits = [&]() {
        const int start = n;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
            buffer[n++] = char(text[i++].unicode());
        }
        return n > start;
    };
    if (text[0] == u'-' || text[0] == u'+') {
        if (text[0] == u'-') {
            buffer[n++] = '-';
        }
        ++i;
    }
    if (!digits()) {
        return false;
    }
    if (i < text.size() && text[i] == m_decimal) {
        buffer[n++] = '.';
        ++i;
        if (!digits()) {
            return false;
        }
    }
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        buffer[n++] = 'e';
        ++i;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
            buffer[n++] = char(text[i++].unicode());
        }
        if (!digits()) {
            return false;
        }
    }
    if (i != text.size()) {
        return false;
    }
    double v = 0;
    const auto result = std::from_chars(buffer, buffer + n, v);
    if (result.ec != std::errc() || result.ptr != buffer + n || !std::isfinite(v)) {
        return false;
    }
    *value = v;
    return true;
}

bool LocaleTextConverter::toTime(const QString& text, qint64* msecs) const {
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return false;
    }
    for (const QString& format : m_timeFormats) {
        const QTime time = m_locale.toTime(t, format);
        if (time.isValid()) {
            *msecs = time.msecsSinceStartOfDay();
            return true;
        }
    }
    return false;
}

bool LocaleTextConverter::toDateTime(const QString& text, qint64* msecs) const {
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return false;
    }
    auto store = [msecs](const QDate& date, const QTime& time) {
        *msecs = dayZero.daysTo(date) * qint64(86400000) + time.msecsSinceStartOfDay();
    };
    for (const QString& format : m_dateTimeFormats) {
        const QDateTime dt = m_locale.toDateTime(t, format);
        if (dt.isValid()) {
            store(dt.date(), dt.time());
            return true;
        }
    }
    for (const QString& format : m_dateFormats) {
        const QDate date = m_locale.toDate(t, format);
        if (date.isValid()) {
            store(date, QTime(0, 0));
            return true;
        }
    }
    qint64 ofDay = 0;
    if (toTime(t, &ofDay)) {
        *msecs = ofDay;
        return true;
    }
    return false;
}

TSortStyle detectTextsSortStyle(const QStringList& texts, const LocaleTextConverter& converter) {
    bool numbers = true;
    bool dateTimes = true;
    bool times = true;
    for (const QString& text : texts) {
        double number = 0;
        qint64 msecs = 0;
        numbers = numbers && converter.toNumber(text, &number);
        dateTimes = dateTimes && converter.toDateTime(text, &msecs);
        times = times && converter.toTime(text, &msecs);
        if (!numbers && !dateTimes && !times) {
            break;
        }
    }
    if (numbers) {
        return ssNumeric;
    }
    if (dateTimes) {
        return ssDateTime;
    }
    if (times) {
        return ssTime;
    }
    return ssNormal;
}
