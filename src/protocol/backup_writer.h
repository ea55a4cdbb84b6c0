// The backup of the protocol written on a thread of its own, so that a large table or a slow
// USB stick never freezes the window after a finish.

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Writes the backup on a thread of its own, its bytes made there as well, so that
// neither a large table nor a slow disk (a USB stick flushing 16 MiB) freezes the
// window after a finish. Each write goes through a
// temporary file renamed over the backup and never through a link under its name. A
// write still waiting when the next one comes is replaced by it: only the newest table
// matters. Created and used on the GUI thread; `finished` arrives there.
class BackupWriter : public QObject {
    Q_OBJECT

public:
    explicit BackupWriter(QObject* parent = nullptr);
    // Waits for the write in progress and the one waiting: the last table reaches the disk.
    ~BackupWriter() override;
    BackupWriter(const BackupWriter&) = delete;
    BackupWriter& operator=(const BackupWriter&) = delete;

    // Returns at once. makeBytes runs on the writer's thread: it must own what it reads
    // (a copy of the rows, which costs little as Qt's lists share their data).
    void write(const QString& fileName, std::function<QByteArray()> makeBytes);
    // Blocks until every write handed over so far has ended, or msecs have passed; true
    // when nothing is left. For the program's end, which writes the settings after it.
    bool waitForWritten(int msecs);

signals:
    // After each write, with the system's reason when it failed.
    void finished(bool written, const QString& reason);

private:
    struct Job {
        QString fileName;
        std::function<QByteArray()> makeBytes;
    };
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_waiting;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};
