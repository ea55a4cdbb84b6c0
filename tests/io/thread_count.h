#pragma once

#include <QDir>
#include <QFile>

// Threads of this process, to show that a closed port leaves none behind.
inline int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Threads of earlier ports still ending: a closed port's watcher has finished its work when
// Close returns, but the system thread (and the thread of its wait guard) ends a moment later.
inline int watcherThreads() {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    int count = 0;
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid) + QStringLiteral("/comm"));
        count += comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "TComThread";
    }
    return count;
}
