// Reads the date and time formats from a workbook's styles and shows a day number through
// them, with Excel's built-in formats as a German desktop shows them.

#include "protocol/xlsx_number_formats.h"

#include <QDate>
#include <QHash>
#include <QXmlStreamReader>

#include <cmath>

namespace {

// The built-in date and time formats, as a German desktop shows them.
QString builtInDateCode(int id) {
    static const QHash<int, QString> codes{
        {14, "dd.mm.yyyy"},       {15, "d-mmm-yy"},      {16, "d-mmm"},     {17, "mmm-yy"},
        {18, "h:mm AM/PM"},       {19, "h:mm:ss AM/PM"}, {20, "hh:mm"},     {21, "hh:mm:ss"},
        {22, "dd.mm.yyyy hh:mm"}, {45, "mm:ss"},         {46, "[h]:mm:ss"}, {47, "mm:ss.0"},
    };
    return codes.value(id);
}

// The first section of a format code with quoted texts, escapes and brackets other than
// elapsed time removed: what tells whether it shows a date or a time.
bool isDateTimeCode(const QString& code) {
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (quoted) {
            quoted = c != u'"';
            continue;
        }
        if (c == u'"') {
            quoted = true;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u';') {
            return false;
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i);
            const QString inside = code.mid(i + 1, end - i - 1).toLower();
            if (!inside.isEmpty() && (inside.count(inside[0]) == inside.size()) &&
                QStringLiteral("hms").contains(inside[0]))
                return true;
            if (end < 0)
                return false;
            i = end;
        } else if (QStringLiteral("dmyhsDMYHS").contains(c)) {
            return true;
        }
    }
    return false;
}

struct Token {
    QChar kind; // d, m, y, h, s, n (minutes), f (fraction), a (AM/PM), H/N/S (elapsed), or 0 for text
    int width = 0;
    QString text;
};

QList<Token> tokenize(const QString& code) {
    QList<Token> tokens;
    const auto literal = [&tokens](const QString& text) { tokens.append({QChar(), 0, text}); };
    for (qsizetype i = 0; i < code.size();) {
        const QChar c = code[i];
        const QChar lower = c.toLower();
        if (c == u';')
            break;
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            literal(code.mid(i + 1, (end < 0 ? code.size() : end) - i - 1));
            i = end < 0 ? code.size() : end + 1;
        } else if (c == u'\\') {
            literal(code.mid(i + 1, 1));
            i += 2;
        } else if (c == u'_') {
            literal(QStringLiteral(" "));
            i += 2;
        } else if (c == u'*') {
            i += 2;
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i);
            const QString inside = code.mid(i + 1, end - i - 1).toLower();
            if (!inside.isEmpty() && inside.count(inside[0]) == inside.size() &&
                QStringLiteral("hms").contains(inside[0]))
                tokens.append({inside[0] == u'h' ? u'H' : inside[0] == u'm' ? u'N' : u'S', int(inside.size()), {}});
            i = end < 0 ? code.size() : end + 1;
        } else if (code.mid(i, 5).compare(QStringLiteral("AM/PM"), Qt::CaseInsensitive) == 0) {
            tokens.append({u'a', 5, {}});
            i += 5;
        } else if (code.mid(i, 3).compare(QStringLiteral("A/P"), Qt::CaseInsensitive) == 0) {
            tokens.append({u'a', 3, {}});
            i += 3;
        } else if (c == u'.' && i + 1 < code.size() && code[i + 1] == u'0') {
            qsizetype end = i + 1;
            while (end < code.size() && code[end] == u'0')
                ++end;
            tokens.append({u'f', int(end - i - 1), {}});
            i = end;
        } else if (QStringLiteral("dmyhs").contains(lower)) {
            qsizetype end = i;
            while (end < code.size() && code[end].toLower() == lower)
                ++end;
            tokens.append({lower, int(end - i), {}});
            i = end;
        } else {
            literal(QString(c));
            ++i;
        }
    }
    // "m" right after an hour or right before a second means minutes.
    int lastTime = -1;
    for (int t = 0; t < tokens.size(); ++t) {
        Token& token = tokens[t];
        if (token.kind == u'h' || token.kind == u'H') {
            lastTime = t;
        } else if (token.kind == u'm' && token.width <= 2) {
            bool minutes = lastTime >= 0;
            for (int n = t + 1; n < tokens.size() && !minutes; ++n) {
                if (tokens[n].kind == u's' || tokens[n].kind == u'S')
                    minutes = true;
                else if (!tokens[n].kind.isNull())
                    break;
            }
            if (minutes)
                token.kind = u'n';
            lastTime = -1;
        } else if (!token.kind.isNull()) {
            lastTime = -1;
        }
    }
    return tokens;
}

QString padded(qint64 value, int width) {
    return QString::number(value).rightJustified(width, u'0');
}

} // namespace

XlsxNumberFormats XlsxNumberFormats::fromStyles(const QByteArray& stylesXml) {
    XlsxNumberFormats formats;
    QHash<int, QString> custom;
    QXmlStreamReader xml(stylesXml);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"numFmt") {
            custom.insert(xml.attributes().value(QLatin1StringView("numFmtId")).toInt(),
                          xml.attributes().value(QLatin1StringView("formatCode")).toString());
        } else if (xml.name() == u"cellXfs") {
            inCellXfs = xml.isStartElement();
        } else if (inCellXfs && xml.isStartElement() && xml.name() == u"xf") {
            const int id = xml.attributes().value(QLatin1StringView("numFmtId")).toInt();
            QString code = custom.contains(id) ? custom.value(id) : builtInDateCode(id);
            formats.m_dateCodeByStyle.append(isDateTimeCode(code) ? code : QString());
        }
    }
    if (xml.hasError())
        return {};
    return formats;
}

std::optional<QString> XlsxNumberFormats::dateTimeText(int styleIndex, double days, const QLocale& locale) const {
    const QString code = m_dateCodeByStyle.value(styleIndex);
    if (code.isEmpty())
        return std::nullopt;
    return formatDateTime(code, days, locale);
}

std::optional<QString> XlsxNumberFormats::formatDateTime(const QString& code, double days, const QLocale& locale) {
    if (!isDateTimeCode(code) || !std::isfinite(days) || days < 0 || days > 2958465) // up to 9999-12-31
        return std::nullopt;
    const QList<Token> tokens = tokenize(code);
    int fraction = 0;
    bool twelveHours = false;
    for (const Token& token : tokens) {
        if (token.kind == u'f')
            fraction = std::max(fraction, std::min(token.width, 3));
        twelveHours = twelveHours || token.kind == u'a';
    }
    // Rounded to what the format shows, as the spreadsheet programs do.
    const qint64 unit = qint64(std::pow(10, 3 - fraction));
    const qint64 ms = std::llround(days * 86400000.0 / double(unit)) * unit;
    const qint64 wholeDays = ms / 86400000;
    const qint64 msOfDay = ms % 86400000;
    const QDate date = QDate(1899, 12, 30).addDays(wholeDays);
    const qint64 hour = msOfDay / 3600000;
    const qint64 minute = msOfDay / 60000 % 60;
    const qint64 second = msOfDay / 1000 % 60;

    QString text;
    for (const Token& token : tokens) {
        const int w = token.width;
        switch (token.kind.unicode()) {
        case u'y':
            text += w <= 2 ? padded(date.year() % 100, 2) : padded(date.year(), 4);
            break;
        case u'm':
            text += w >= 4   ? locale.monthName(date.month(), QLocale::LongFormat)
                    : w == 3 ? locale.monthName(date.month(), QLocale::ShortFormat)
                             : padded(date.month(), w);
            break;
        case u'd':
            text += w >= 4   ? locale.dayName(date.dayOfWeek(), QLocale::LongFormat)
                    : w == 3 ? locale.dayName(date.dayOfWeek(), QLocale::ShortFormat)
                             : padded(date.day(), w);
            break;
        case u'h':
            text += padded(twelveHours ? (hour + 11) % 12 + 1 : hour, std::min(w, 2));
            break;
        case u'n':
            text += padded(minute, std::min(w, 2));
            break;
        case u's':
            text += padded(second, std::min(w, 2));
            break;
        case u'H':
            text += padded(ms / 3600000, w);
            break;
        case u'N':
            text += padded(ms / 60000, w);
            break;
        case u'S':
            text += padded(ms / 1000, w);
            break;
        case u'f':
            text += locale.decimalPoint() + padded(msOfDay % 1000, 3).left(token.width);
            break;
        case u'a':
            text += token.width == 5 ? (hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM"))
                                     : (hour < 12 ? QStringLiteral("A") : QStringLiteral("P"));
            break;
        default:
            text += token.text;
            break;
        }
    }
    return text;
}
