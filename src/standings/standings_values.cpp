// Reads the protocol's times and decimals as thousandths, refusing what a column's format
// cannot be, and writes sums and gaps back in the protocol's formats.

#include "standings/standings_values.h"

#include "protocol/protocol_table.h"
#include "timing/run_time.h"

#include <QLocale>

#include <limits>

namespace {

constexpr qint64 kMaxThousandths = std::numeric_limits<qint32>::max();

bool isTimeColumn(int column) {
    return column == colZeit || column == colEndZeit;
}

int decimalsOf(int column) {
    return column == colZwZeit ? 3 : 2;
}

// Digits only, at least one, at most maxDigits; nothing else.
std::optional<qint64> digits(QStringView text, int maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// "S,fff", "M.SS,fff" or "H:MM.SS,fff" as formatRunTime writes them.
std::optional<qint64> runTimeMs(QStringView text) {
    const qsizetype comma = text.lastIndexOf(u',');
    if (comma < 0 || text.size() - comma - 1 != 3)
        return std::nullopt;
    const auto thousandths = digits(text.mid(comma + 1), 3);
    if (!thousandths)
        return std::nullopt;
    QStringView whole = text.left(comma);
    qint64 hours = 0;
    qint64 minutes = 0;
    const qsizetype colon = whole.indexOf(u':');
    if (colon >= 0) {
        const auto h = digits(whole.left(colon), 2);
        if (!h)
            return std::nullopt;
        hours = *h;
        whole = whole.mid(colon + 1);
    }
    const qsizetype point = whole.indexOf(u'.');
    if (point >= 0) {
        const auto m = digits(whole.left(point), 2);
        if (!m)
            return std::nullopt;
        minutes = *m;
        whole = whole.mid(point + 1);
    } else if (colon >= 0) {
        return std::nullopt;
    }
    const auto seconds = digits(whole, 2);
    if (!seconds || (point >= 0 && (*seconds >= 60 || whole.size() != 2)) || (colon >= 0 && minutes >= 60))
        return std::nullopt;
    return ((hours * 60 + minutes) * 60 + *seconds) * 1000 + *thousandths;
}

// "123,45" or "123.45" (any number of decimals up to three) in thousandths.
std::optional<qint64> decimalThousandths(QStringView text) {
    qsizetype separator = text.indexOf(u',');
    if (separator < 0)
        separator = text.indexOf(u'.');
    const QStringView whole = separator < 0 ? text : text.left(separator);
    const QStringView fraction = separator < 0 ? QStringView() : text.mid(separator + 1);
    const auto units = digits(whole, 9);
    if (!units || fraction.size() > 3 || (separator >= 0 && fraction.isEmpty()))
        return std::nullopt;
    qint64 value = *units * 1000;
    qint64 scale = 100;
    for (QChar c : fraction) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value += (c.unicode() - u'0') * scale;
        scale /= 10;
    }
    return value;
}

QString decimalText(qint64 thousandths, int decimals) {
    QString text = QString::number(double(thousandths) / 1000.0, 'f', decimals);
    text.replace(u'.', QLocale().decimalPoint());
    return text;
}

} // namespace

std::optional<qint64> resultThousandths(int column, QStringView text) {
    const QStringView trimmed = text.trimmed();
    const std::optional<qint64> value = isTimeColumn(column) ? runTimeMs(trimmed) : decimalThousandths(trimmed);
    if (!value || *value > kMaxThousandths)
        return std::nullopt;
    return value;
}

QString resultText(int column, qint64 thousandths) {
    if (isTimeColumn(column))
        return formatRunTime(qint32(qBound<qint64>(0, thousandths, kMaxThousandths)));
    return decimalText(thousandths, decimalsOf(column));
}

QString gapText(int column, qint64 valueMinusLeader) {
    const QString sign = valueMinusLeader < 0 ? QStringLiteral("-") : QStringLiteral("+");
    return sign + resultText(column, qAbs(valueMinusLeader));
}
