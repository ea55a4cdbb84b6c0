// The journal's writer thread: the queue, the faults and what is done about each.

#include "journal/journal_writer.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <chrono>

namespace {

QString newConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("tarvolt-journal-writer-%1").arg(next++);
}

} // namespace

JournalWriter::JournalWriter(Options options, QObject* parent) : QObject(parent), m_options(std::move(options)) {}

JournalWriter::~JournalWriter() {
    finish(3000);
}

QDateTime JournalWriter::now() const {
    return m_options.clock ? m_options.clock() : QDateTime::currentDateTime();
}

void JournalWriter::post(JournalEntry entry) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_finishing)
            return;
        m_queue.push_back(std::move(entry));
        // Started by the first entry, so that whoever listens to problem() is connected by then.
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_one();
}

bool JournalWriter::waitForQueue(int ms) {
    std::unique_lock lock(m_mutex);
    return m_drained.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_queue.empty() || m_quit; }) &&
           m_queue.empty();
}

int JournalWriter::finish(int ms) {
    if (!m_thread.joinable())
        return 0;
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_wake.notify_one();
    waitForQueue(ms);
    int left = 0;
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        left = int(m_queue.size());
    }
    m_wake.notify_one();
    // The writer stops after the write under way; a busy journal makes it wait at most the
    // busy timeout.
    m_thread.join();
    return left;
}

qint64 JournalWriter::writtenCount() const {
    const std::lock_guard lock(m_mutex);
    return m_written;
}

int JournalWriter::queuedCount() const {
    const std::lock_guard lock(m_mutex);
    return int(m_queue.size());
}

void JournalWriter::report(const QString& text, bool standing) {
    // A fault that lasts is told once, not at every retry.
    if (text == m_lastReport)
        return;
    m_lastReport = text;
    emit problem(text, standing);
}

void JournalWriter::reportStanding(const QString& text) {
    m_waiting = true;
    report(text, true);
}

void JournalWriter::reportWaiting(JournalFault fault) {
    reportStanding(fault == JournalFault::Busy
                       ? QStringLiteral("Verlauf von einem anderen Programm gesperrt, Einträge warten")
                       : QStringLiteral("Verlauf: Datenträger voll, Einträge warten"));
}

bool JournalWriter::pauseBeforeRetry() {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(m_options.retryMs), [this] { return m_quit; });
    return !m_quit;
}

bool JournalWriter::openOrStartAnew(JournalDatabase& db, bool startAnew) {
    QDir().mkpath(QFileInfo(m_options.path).absolutePath());
    const JournalFault fault = startAnew ? JournalFault::Broken : db.open();
    if (fault == JournalFault::None)
        return true;
    if (fault == JournalFault::Busy || fault == JournalFault::Full) {
        reportWaiting(fault);
        return false;
    }
    db.close();
    if (!QFileInfo::exists(m_options.path)) {
        reportStanding(QStringLiteral("Verlauf kann nicht angelegt werden: ") + m_options.path);
        return false;
    }
    const std::optional<QString> moved = JournalDatabase::moveAside(m_options.path, now());
    if (!moved) {
        reportStanding(QStringLiteral("Verlauf unbrauchbar und nicht umzubenennen: ") + m_options.path);
        return false;
    }
    if (db.open() != JournalFault::None) {
        db.close();
        reportStanding(QStringLiteral("Verlauf unbrauchbar, umbenannt: ") + QFileInfo(*moved).fileName() +
                       QStringLiteral("; neuer Verlauf kann nicht angelegt werden"));
        return false;
    }
    m_waiting = false;
    report(QStringLiteral("Verlauf unbrauchbar, umbenannt: ") + QFileInfo(*moved).fileName() +
               QStringLiteral("; neuer Verlauf begonnen"),
           false);
    return true;
}

bool JournalWriter::writeOne(JournalDatabase& db, const JournalEntry& entry) {
    int broken = 0; // failures of this entry on a file that opened well
    for (;;) {
        if (!db.isOpen() && !openOrStartAnew(db, broken > 0)) {
            if (!pauseBeforeRetry())
                return false;
            continue;
        }
        const JournalFault fault = db.write(entry);
        if (fault == JournalFault::None) {
            if (m_waiting) {
                m_waiting = false;
                report(QStringLiteral("Verlauf wird wieder geschrieben"), false);
            }
            return true;
        }
        if (fault == JournalFault::Rejected) {
            report(QStringLiteral("Verlauf: Eintrag verworfen (") + db.lastError() + u')', false);
            return true;
        }
        if (fault == JournalFault::Broken) {
            // Damage the check did not see: the next turn moves the file aside and starts anew.
            // An entry that fails on a new file as well is given up, not tried for ever.
            db.close();
            if (++broken > 2) {
                report(QStringLiteral("Verlauf: Eintrag nicht zu schreiben (") + db.lastError() + u')', false);
                return true;
            }
            continue;
        }
        reportWaiting(fault);
        if (!pauseBeforeRetry())
            return false;
    }
}

void JournalWriter::run() {
    JournalDatabase db(m_options.path, newConnectionName(), m_options.limits);
    openOrStartAnew(db);
    for (;;) {
        JournalEntry entry;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || !m_queue.empty(); });
            if (m_quit)
                break;
            entry = m_queue.front(); // stays queued until it is written
        }
        if (!writeOne(db, entry))
            break;
        {
            const std::lock_guard lock(m_mutex);
            m_queue.pop_front();
            ++m_written;
            if (!m_queue.empty())
                continue;
        }
        m_drained.notify_all();
    }
    db.close();
    m_drained.notify_all();
}
