// The backup writer's thread: waits for the newest table, makes its bytes and writes them
// atomically, then reports on the GUI thread.

#include "protocol/backup_writer.h"

#include "protocol/atomic_file_writer.h"

#include <QMetaObject>

#include <chrono>

BackupWriter::BackupWriter(QObject* parent) : QObject(parent), m_thread([this] { run(); }) {}

BackupWriter::~BackupWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void BackupWriter::write(const QString& fileName, std::function<QByteArray()> makeBytes) {
    {
        std::lock_guard lock(m_mutex);
        m_waiting = Job{fileName, std::move(makeBytes)};
    }
    m_wake.notify_one();
}

bool BackupWriter::waitForWritten(int msecs) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(msecs), [this] { return !m_waiting && !m_busy; });
}

void BackupWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        // A stop still writes what is waiting: it is the table at the program's end.
        m_wake.wait(lock, [this] { return m_waiting || m_stopping; });
        if (!m_waiting)
            return;
        const Job job = std::move(*m_waiting);
        m_waiting.reset();
        m_busy = true;
        lock.unlock();
        QString reason;
        const bool written = writeFileAtomically(job.fileName, job.makeBytes(), &reason, TargetLinks::Refuse);
        QMetaObject::invokeMethod(
            this, [this, written, reason] { emit finished(written, reason); }, Qt::QueuedConnection);
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}
