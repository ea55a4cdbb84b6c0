#include "controls/sort_grid_compare.h"

#include <QDateTime>

#include <charconv>
#include <cmath>

namespace {

// Code units U+0152 .. U+2122 that Windows-1252 places at 0x80 .. 0x9F.
char16_t windows1252Byte(char16_t unit) {
    switch (unit) {
    case 0x20AC:
        return 0x80;
    case 0x201A:
        return 0x82;
    case 0x0192:
        return 0x83;
    case 0x201E:
        return 0x84;
    case 0x2026:
        return 0x85;
    case 0x2020:
        return 0x86;
    case 0x2021:
        return 0x87;
    case 0x02C6:
        return 0x88;
    case 0x2030:
        return 0x89;
    case 0x0160:
        return 0x8A;
    case 0x2039:
        return 0x8B;
    case 0x0152:
        return 0x8C;
    case 0x017D:
        return 0x8E;
    case 0x2018:
        return 0x91;
    case 0x2019:
        return 0x92;
    case 0x201C:
        return 0x93;
    case 0x201D:
        return 0x94;
    case 0x2022:
        return 0x95;
    case 0x2013:
        return 0x96;
    case 0x2014:
        return 0x97;
    case 0x02DC:
        return 0x98;
    case 0x2122:
        return 0x99;
    case 0x0161:
        return 0x9A;
    case 0x203A:
        return 0x9B;
    case 0x0153:
        return 0x9C;
    case 0x017E:
        return 0x9E;
    case 0x0178:
        return 0x9F;
    default:
        return unit;
    }
}

bool isUpperAZ(char16_t u) {
    return u >= u'A' && u <= u'Z';
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
    auto changes = [lowerAZ](char16_t u) { return (lowerAZ && isUpperAZ(u)) || (u > 0xFF && windows1252Byte(u) != u); };
    qsizetype i = 0;
    while (i < n && !changes(text.at(i).unicode())) {
        ++i;
    }
    if (i == n) {
        return text;
    }
    QString key = text;
    QChar* data = key.data();
    for (; i < n; ++i) {
        char16_t u = data[i].unicode();
        if (lowerAZ && isUpperAZ(u)) {
            u = char16_t(u + 32);
        } else if (u > 0xFF) {
            u = windows1252Byte(u);
        }
        data[i] = QChar(u);
    }
    return key;
}

void appendOrdinalKey(QStringView text, bool lowerAZ, std::u16string& out) {
    const size_t start = out.size();
    out.resize(start + size_t(text.size()));
    char16_t* target = out.data() + start;
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (lowerAZ && isUpperAZ(u)) {
            u = char16_t(u + 32);
        } else if (u > 0xFF) {
            u = windows1252Byte(u);
        }
        *target++ = u;
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
