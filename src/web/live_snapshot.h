// What the live results pages show at one moment: built on the GUI thread, never changed
// afterwards, read by the server thread.

#pragma once

#include "standings/standings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

// The result of the last finished run as the protocol shows it.
struct LiveResult {
    QString nr;
    QString name;
    QString gruppe;
    QString zeit;
    QString zwZeit;
    QString vmax;
    QString schnitt; // "Ø-km/h"
    QString platz;
};

// What the live results pages show at one moment: built on the GUI thread, never changed
// afterwards, and handed to the server thread as a shared pointer to const. Times are
// milliseconds of the steady clock (QElapsedTimer's reference), so the server can tell
// a page how long ago the run started whatever the page's own clock says.
struct LiveSnapshot {
    QString title;
    QString startNr; // on the track
    QString nextNr;
    bool running = false;
    qint64 startedAt = 0; // steady-clock ms of the start, while running
    qint32 finalMs = -1;  // the finished run's time until the reset; -1 none
    bool hasLast = false;
    LiveResult last;
    QStringList columns;         // the protocol's header texts
    QList<QStringList> rows;     // the protocol's data rows in table order
    StandingsRule standingsRule; // how the standings of these rows count
};
using LiveSnapshotPtr = std::shared_ptr<const LiveSnapshot>;

// The JSON members of the running state (title, numbers, run, last result), without braces.
QByteArray liveRunMembers(const LiveSnapshot& snapshot);
// The JSON members of the protocol ("columns" and "rows"), without braces.
QByteArray liveProtocolMembers(const LiveSnapshot& snapshot);
// Whether two snapshots hold the same protocol, counted the same way for the standings.
bool sameProtocol(const LiveSnapshot& a, const LiveSnapshot& b);

// Milliseconds of the steady clock the snapshot times use, on any thread.
qint64 steadyNowMs();
