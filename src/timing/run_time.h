// Turns counter differences into whole milliseconds and milliseconds into the
// texts and values of a run. Plain functions without state; safe on any thread.
// The decimal separator of the split and speed texts comes from QLocale(), the
// program's default locale (the system's unless the program sets another).

#pragma once

#include <QString>
#include <QtGlobal>

// Milliseconds of a counter difference: delta / countSpeed / 1000, nearest with
// ties to even, saturated to the qint32 range. countSpeed is counts per
// microsecond; a speed that is not a positive finite number gives 0.
qint32 ticksToMs(qint64 delta, double countSpeed);

// Run-time text such as "5,432", "1.05,432" or "1:00.00,000"; hours wrap at 100.
// A negative value (only from void stamps) gives the text of its magnitude with
// a leading "-", so a fault shows instead of passing for a real time.
QString formatRunTime(qint32 ms);

// Split time in seconds with three decimals ("1,234" or "1.234"); "-" for 0 ms.
QString splitText(qint32 ms);

// metres * 3600 / ms in km/h with two decimals ("45,00" or "45.00"); "-" for
// ms <= 0, so a zero time never divides.
QString speedText(qint32 metres, qint32 ms);

// Result-panel values in thousandths of km/h, rounded to a multiple of 10
// (128571 shows as 128570); 0 for ms <= 0. Saturated to the qint32 range.
qint32 trapSpeedDisplayValue(qint32 lengthF, qint32 trapMs);
qint32 averageSpeedDisplayValue(qint32 length, qint32 totalMs);
