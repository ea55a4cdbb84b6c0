// The journal as the window's parts use it: one call per step, turned into entries and
// handed to the writer thread.

#pragma once

#include "journal/journal_entry.h"
#include "journal/journal_writer.h"
#include "run/run_event_report.h"

#include <QJsonObject>
#include <QString>

#include <functional>
#include <memory>

class SortGridData;
struct Settings;

// The protocol's data rows as the journal keeps them.
ProtocolRows protocolRowsOf(const SortGridData& grid);
// The settings the official changed, by their stored names: {"Length": [100, 120], ...}.
QJsonObject settingsChanges(const Settings& before, const Settings& after);

// Makes the entries of the program's steps and posts them; GUI thread only. Every call
// returns at once: the writing is the writer thread's.
class Journal {
public:
    // clock: the local time of the entries; empty: the system clock.
    explicit Journal(JournalWriter::Options options);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    JournalWriter& writer() { return *m_writer; }
    const QString& path() const { return m_writer->path(); }

    void programStarted(const QJsonObject& detail);
    // Writes the end entry and waits for the queue at most ms; the entries left unwritten.
    int programEnded(int ms);

    void runEvent(const RunEventReport& report);
    void cellEdited(int row, const QString& startNumber, int col, const QString& before, const QString& after);
    void rowRemoved(int row, const QStringList& cells, const ProtocolRows& before, const ProtocolRows& after);
    // A clear, load or restore: the whole table before and after it.
    void protocolReplaced(JournalKind kind, const QJsonObject& detail, const ProtocolRows& before,
                          const ProtocolRows& after);
    // A save or an export: its file type and name.
    void fileWritten(JournalKind kind, const QString& type, const QString& file);
    void portEvent(JournalKind kind, const QString& port, const QString& text);
    void settingsChanged(const QJsonObject& changes);

private:
    JournalEntry entry(JournalKind kind) const;
    void post(JournalEntry entry);

    std::function<QDateTime()> m_clock;
    std::unique_ptr<JournalWriter> m_writer;
    qint64 m_run = 0;     // the run under way; 0 none
    qint64 m_lastRun = 0; // runs are numbered by their start's milliseconds, always rising
};
