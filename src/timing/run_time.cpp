// The run's arithmetic: counter differences to milliseconds with ties to even and saturation,
// and the times and speeds as the protocol writes them.

#include "timing/run_time.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

constexpr long double int32Max = std::numeric_limits<qint32>::max();
constexpr long double int32Min = std::numeric_limits<qint32>::min();

// Nearest integer with ties to even (the default rounding mode), clamped to
// qint32; NaN gives 0.
qint32 roundToInt32(long double value) {
    if (std::isnan(value))
        return 0;
    const long double rounded = std::nearbyint(value);
    if (rounded >= int32Max)
        return std::numeric_limits<qint32>::max();
    if (rounded <= int32Min)
        return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(rounded);
}

// The display rounds to tens: +5, integer division by 10, times 10. Done in
// 64 bits so the largest values cannot overflow, then clamped.
qint32 roundToTen(qint32 value) {
    const qint64 tens = (static_cast<qint64>(value) + 5) / 10 * 10;
    if (tens > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max() / 10 * 10;
    return static_cast<qint32>(tens);
}

// A fixed-point number with the locale's decimal separator and no grouping.
QString localeFixed(long double value, int decimals) {
    QString text = QString::number(static_cast<double>(value), 'f', decimals);
    text.replace(u'.', QLocale().decimalPoint());
    return text;
}

QString padded(qint64 value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// HH:MM.SS,fff with leading zeros and separators stripped, keeping at least one
// digit before the comma. ms must not be negative.
QString formatMagnitude(qint64 ms) {
    const QString full = padded(ms / 3600000 % 100, 2) + u':' + padded(ms / 60000 % 60, 2) + u'.' +
                         padded(ms / 1000 % 60, 2) + u',' + padded(ms % 1000, 3);
    // Index of the first digit 1 to 9; the seconds' units digit (index 7) and
    // everything after it always stay.
    qsizetype first = 0;
    while (first < full.size() && !(full[first] >= u'1' && full[first] <= u'9'))
        ++first;
    return full.mid(qMin<qsizetype>(first, 7));
}

} // namespace

qint32 ticksToMs(qint64 delta, double countSpeed) {
    if (!(countSpeed > 0.0) || !std::isfinite(countSpeed))
        return 0;
    return roundToInt32(static_cast<long double>(delta) / countSpeed / 1000.0L);
}

QString formatRunTime(qint32 ms) {
    if (ms < 0)
        return u'-' + formatMagnitude(-static_cast<qint64>(ms));
    return formatMagnitude(ms);
}

QString splitText(qint32 ms) {
    if (ms == 0)
        return QStringLiteral("-");
    return localeFixed(static_cast<long double>(ms) / 1000.0L, 3);
}

QString speedText(qint32 metres, qint32 ms) {
    // A length of 0 m means the speed was not measured.
    if (ms <= 0 || metres <= 0)
        return QStringLiteral("-");
    return localeFixed(static_cast<long double>(static_cast<qint64>(metres) * 3600) / ms, 2);
}

qint32 trapSpeedDisplayValue(qint32 lengthF, qint32 trapMs) {
    if (trapMs <= 0)
        return 0;
    return roundToTen(roundToInt32(static_cast<long double>(static_cast<qint64>(lengthF) * 1000) / trapMs * 3600));
}

qint32 averageSpeedDisplayValue(qint32 length, qint32 totalMs) {
    if (totalMs <= 0)
        return 0;
    return roundToTen(roundToInt32(static_cast<long double>(static_cast<qint64>(length) * 3600) / totalMs * 1000));
}
