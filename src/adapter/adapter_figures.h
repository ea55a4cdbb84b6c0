// What the adapter test measured, line by line, and the verdict in plain German: pure
// functions over the stamps of the toggles made and the changes seen.

#pragma once

#include <QList>
#include <QString>

#include <array>

// The four inputs of the loopback plug: CTS hangs on RTS; DSR, DCD and RI on DTR.
enum class PlugInput { Cts, Dsr, Dcd, Ri };
constexpr std::array<PlugInput, 4> plugInputs{PlugInput::Cts, PlugInput::Dsr, PlugInput::Dcd, PlugInput::Ri};
// "CTS", "DSR", "DCD", "RI".
QString plugInputName(PlugInput input);
// Whether the input hangs on RTS (else on DTR).
bool plugInputOnRts(PlugInput input);

// One level change, made on an output or seen on an input: when (µs on the test's clock) and to
// which level.
struct LineChange {
    qint64 us = 0;
    bool level = false;
};

// The figures of one input line.
struct LineFigures {
    int made = 0; // changes made on its output
    int seen = 0; // of those, changes that came back
    qint64 p50Us = 0;
    qint64 p99Us = 0;
    qint64 maxUs = 0;
    friend bool operator==(const LineFigures&, const LineFigures&) = default;
};

// Matches the changes seen on an input to the toggles of its output, both in time order. A toggle
// is answered by the first change to its level at or after its stamp and before the toggle after
// next (which sets the same level again); an answer later than that counts as lost. The delays of
// the answered toggles give the nearest-rank 50th and 99th percentiles and the maximum.
LineFigures lineFiguresOf(const QList<LineChange>& toggles, const QList<LineChange>& seen);

// Nearest-rank percentile (1..100) of ascending values; 0 for none.
qint64 percentileOf(const QList<qint64>& ascending, int percent);

enum class AdapterVerdict {
    Suitable,   // "geeignet": every change seen, max <= 2 ms
    Limited,    // "mit Einschränkungen": every change seen, max <= 10 ms
    Unsuitable, // "ungeeignet": a change lost, a line silent, or max > 10 ms
    NoPlug,     // nothing came back on any line: no judgement on the adapter
};

struct AdapterJudgement {
    AdapterVerdict verdict = AdapterVerdict::NoPlug;
    QString headline; // "geeignet", ...
    QString reason;   // one line
};

constexpr qint64 suitableMaxUs = 2000;
constexpr qint64 limitedMaxUs = 10000;

// The verdict over the four lines, in the order of plugInputs.
AdapterJudgement judgeAdapter(const std::array<LineFigures, 4>& lines);

// "0,42 ms" with the locale-free German decimal comma, two decimals.
QString msText(qint64 us);
