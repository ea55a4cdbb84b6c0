// Reading the protocol's result texts as numbers and writing sums and gaps back as texts,
// for the standings. Plain functions without state; safe on any thread.

#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// A result of the given protocol column in thousandths: milliseconds for the run times
// ("Zeit", "End-Zeit": "5,432", "1.05,432", "1:00.00,000"), thousandths of a second or of
// a km/h for the decimal columns ("Zw.Zeit" "2,345", "Ø-km/h" and "Vmax" "123,45", either
// decimal separator). Nothing for a marker, a blank or a text the column's format cannot be.
std::optional<qint64> resultThousandths(int column, QStringView text);

// A sum of results written as the column writes one: a run time for the time columns,
// otherwise three ("Zw.Zeit") or two decimals with the locale's decimal separator.
QString resultText(int column, qint64 thousandths);

// The distance of a result from the leader's, signed as value minus leader: "+0,345" for a
// slower time, "-2,15" for a lower Vmax, "+0,000" for a tie.
QString gapText(int column, qint64 valueMinusLeader);
