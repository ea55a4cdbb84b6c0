// One entry of the event journal: what happened, when, to which run and row, with the
// protocol table before and after where a step replaced it.

#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// The protocol's data rows, ten cells each, in table order.
using ProtocolRows = QList<QStringList>;

// Every kind of step the journal records. The stored names (journalKindName) never
// change: journals written by older copies must stay readable.
enum class JournalKind {
    ProgramStart,
    ProgramEnd,
    RunStart,
    RunSplit,
    RunTrap,
    RunFinish,
    RunAccident,
    CellEdit,
    RowRemoved,
    Cleared,
    Loaded,
    Restored,
    Saved,
    Exported,
    PortOpened,
    PortLost,
    PortFailed,
    SettingsChanged,
};

QString journalKindName(JournalKind kind);
std::optional<JournalKind> journalKindFromName(const QString& name);
// What the "Verlauf" window calls it, in German.
QString journalKindText(JournalKind kind);

// A plain value; made on the GUI thread, written on the journal's own thread.
struct JournalEntry {
    QDateTime at;
    JournalKind kind = JournalKind::ProgramStart;
    // The barrier ("L1" to "L4") or key ("F5" to "F10") that gave a run's event; the file
    // type of a load, save or export; the port of a port event.
    QString source;
    QString startNumber;
    int row = -1;     // the protocol row, 1 and up; -1 none
    qint64 stamp = 0; // the counter stamp the event was taken with; 0 none
    qint64 run = 0;   // the run it belongs to (the same for its start to its finish); 0 none
    QJsonObject detail;
    // The protocol before and after a step that replaced it (clear, load, restore, row removal).
    std::optional<ProtocolRows> before;
    std::optional<ProtocolRows> after;
};

// The first names of a protocol state, for a list: up to `count` non-blank names from the
// "Name" column, joined by ", ".
QString firstNames(const ProtocolRows& rows, int count = 3);
// Rows without the empty ones (no cell holds more than blanks), as a file would keep them.
int filledRowCount(const ProtocolRows& rows);
