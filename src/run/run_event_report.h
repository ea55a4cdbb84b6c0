// What the run controller tells an observer about each event of a run it takes.

#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

enum class RunEventKind { Start, Split, Trap, Finish, Accident };

// One event of a run, after the controller has acted on it. Stamps are counts of the
// run's counter as they were taken (0: not taken); at the finish all four are given.
struct RunEventReport {
    RunEventKind kind = RunEventKind::Start;
    // The barrier ("L1" to "L4") or the key whose command gave it ("F5" to "F10"; a run
    // button counts as its key).
    QString source;
    qint64 stamp = 0;
    qint64 startStamp = 0;
    qint64 splitStamp = 0;
    qint64 trapStamp = 0;
    qint64 finishStamp = 0;
    QString startNumber;
    int row = -1;      // the run's protocol row after the event; -1 none
    QStringList cells; // that row's cells
};

// Called on the GUI thread inside the controller's step, after the display and the backup
// request: it must only hand the report on, never wait.
using RunEventSink = std::function<void(const RunEventReport&)>;
