// The journal's SQLite file: opening it with its checks, the schema, and writing one entry.

#pragma once

#include "journal/journal_entry.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class QSqlError;

// Why a step on the file failed, as far as what to do next depends on it.
enum class JournalFault {
    None,
    Busy,     // another program holds the file: try again later
    Full,     // the disk (or the file's page limit) is full: try again later
    Broken,   // not a database, damaged, cannot be opened: move it aside and start anew
    Rejected, // the entry itself cannot be stored (too big, a constraint): drop it
};

struct JournalLimits {
    int busyTimeoutMs = 1000;
    // Pages the file may grow to; 0: SQLite's own limit. Tests make the disk "full" with it.
    qint64 maxPageCount = 0;
};

// One connection to the journal file, used on one thread only (the thread that opened it).
// Opening checks that the file is a database of this program (PRAGMA quick_check, the
// schema's user_version), puts it into WAL mode with synchronous=FULL and creates the
// schema in a new file. Each entry is written in a transaction of its own.
class JournalDatabase {
public:
    static constexpr int schemaVersion = 1;

    JournalDatabase(const QString& path, const QString& connectionName, JournalLimits limits = {});
    ~JournalDatabase();
    JournalDatabase(const JournalDatabase&) = delete;
    JournalDatabase& operator=(const JournalDatabase&) = delete;

    JournalFault open();
    void close();
    bool isOpen() const;
    JournalFault write(const JournalEntry& entry);
    // The last failure's text, for messages.
    QString lastError() const { return m_lastError; }

    // Renames the file (with its -wal and -shm files) to a dated name beside it; the new
    // name, or nothing when the rename failed. The connection must be closed.
    static std::optional<QString> moveAside(const QString& path, const QDateTime& when);

private:
    JournalFault fail(const QSqlError& error);
    JournalFault createSchema();
    JournalFault exec(const QString& statement);
    JournalFault begin();
    // Commits, or rolls back what failed to commit.
    JournalFault commit();
    void rollback();

    QString m_path;
    QString m_connectionName;
    JournalLimits m_limits;
    QString m_lastError;
};
