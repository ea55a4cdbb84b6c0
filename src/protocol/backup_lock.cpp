// The backup's lock file, never stale by age, only when the program that held it is gone.

#include "protocol/backup_lock.h"

#include <QLockFile>

BackupLock::BackupLock(const QString& backupFile) {
    if (!backupFile.isEmpty())
        m_lockFileName = backupFile + QStringLiteral(".lock");
}

BackupLock::~BackupLock() = default;

bool BackupLock::tryLock() {
    if (m_lockFileName.isEmpty())
        return true;
    m_lock = std::make_unique<QLockFile>(m_lockFileName);
    // An event runs for days: a lock is stale only when its program is gone, never by age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    return m_lock->error() != QLockFile::LockFailedError;
}

QString BackupLock::lockFileName() const {
    return m_lockFileName;
}
