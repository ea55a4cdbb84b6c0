// Reading the journal back: the protocol states that steps replaced, and a start number's runs.

#pragma once

#include "journal/journal_entry.h"

#include <QList>
#include <QString>

#include <optional>

// A protocol as a clear, load, restore or row removal found it, before that step.
struct ReplacedState {
    qint64 id = 0; // of the stored state, for stateRows()
    QDateTime at;
    JournalKind replacedBy = JournalKind::Cleared;
    QString what; // the step's file name, or the removed row's number
    int rowCount = 0;
    QString names;
};

// A journal entry as read back, without the tables.
struct JournalRecord {
    qint64 id = 0;
    JournalEntry entry;
};

// A read-only connection to the journal file, on the thread that made it (the GUI thread).
// The writer may go on writing meanwhile (WAL); what it has not written yet is not seen.
// A missing or unusable file reads as an empty journal.
class JournalReader {
public:
    explicit JournalReader(const QString& path);
    ~JournalReader();
    JournalReader(const JournalReader&) = delete;
    JournalReader& operator=(const JournalReader&) = delete;

    // Newest first, at most `limit`; an empty protocol is nothing to get back and not listed.
    QList<ReplacedState> replacedStates(int limit = 1000) const;
    std::optional<ProtocolRows> stateRows(qint64 stateId) const;
    // The runs of a start number (start, split, trap, finish, accident) and the edits of its
    // rows' cells, oldest first.
    QList<JournalRecord> entriesOfNumber(const QString& startNumber) const;
    // Every entry, oldest first, without tables; for tests and the manual's examples.
    QList<JournalRecord> allEntries() const;
    // Whether the file passes SQLite's full check.
    bool integrityOk() const;

private:
    QList<JournalRecord> records(const QString& where, const QVariantList& values) const;

    QString m_connectionName;
    bool m_open = false;
};
