// The journal's writer: a thread of its own that takes entries from a queue and writes them,
// so that no step of a run ever waits for the disk.

#pragma once

#include "journal/journal_database.h"
#include "journal/journal_entry.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Hands entries to a writer thread that owns the only writing connection to the journal
// file. post() only queues (any thread, never waits for the disk). A journal that cannot
// be opened, is not a database or fails its check is moved aside and a new one started;
// a journal held by another program or a full disk keeps the entries queued and tries
// again. Each such turn is told by problem() (emitted on the writer thread; a queued
// connection brings it to the window).
class JournalWriter : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString path;
        JournalLimits limits;
        int retryMs = 2000; // pause before trying a busy or full journal again
        // The local time of dated names; empty: the system clock.
        std::function<QDateTime()> clock;
    };

    // The thread starts with the first post(); connect to problem() before it.
    explicit JournalWriter(Options options, QObject* parent = nullptr);
    // Waits for the queue as finish() does.
    ~JournalWriter() override;
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    const QString& path() const { return m_options.path; }

    // Queues the entry. Ignored after finish().
    void post(JournalEntry entry);
    // Waits until every entry posted so far is written; false when the deadline came first.
    bool waitForQueue(int ms);
    // Ends the writer: waits for the queue at most ms, then stops the thread. Returns the
    // number of entries left unwritten (0 normally).
    int finish(int ms);

    // Entries written since the start, and the ones waiting; for tests and benchmarks.
    qint64 writtenCount() const;
    int queuedCount() const;

signals:
    // A German text for status panel 2: what went wrong with the journal and what was done.
    // standing: the journal is not being written (entries wait) until a later problem()
    // without it says that it is written again, or what was done instead.
    void problem(const QString& text, bool standing);

private:
    void run();
    // startAnew: the file failed where its check passed; it is moved aside without trying it.
    bool openOrStartAnew(JournalDatabase& db, bool startAnew = false);
    // Writes the entry, handling the faults; false when the writer is to stop.
    bool writeOne(JournalDatabase& db, const JournalEntry& entry);
    bool pauseBeforeRetry();
    QDateTime now() const;
    void report(const QString& text, bool standing);
    // A fault that keeps the entries from the file: told as standing, and its end told too.
    void reportStanding(const QString& text);
    // Entries wait for a file another program holds (Busy) or for room on the disk (Full).
    void reportWaiting(JournalFault fault);

    Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;    // the writer: an entry or the end came
    std::condition_variable m_drained; // the waiters: the queue became empty
    std::deque<JournalEntry> m_queue;
    bool m_busyWriting = false; // the front entry is being written
    bool m_finishing = false;
    bool m_quit = false;
    qint64 m_written = 0;
    QString m_lastReport;   // writer thread only
    bool m_waiting = false; // entries wait for a busy or full journal; writer thread only
    std::thread m_thread;
};
