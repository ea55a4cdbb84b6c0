// One program per backup file: the lock beside the backup that a second copy cannot take.

#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One program per backup file: a second copy would write its old table over the runs
// of the first when it ends. The lock is a file beside the backup ("<backup>.lock")
// held for as long as the program runs; the lock of a program that ended without
// removing it (a crash, a power cut, also on another computer the folder was on) is
// taken over, as is a link or an unreadable file under the lock's name. GUI thread, at
// start-up.
class BackupLock {
public:
    // Locks nothing yet; an empty backupFile (no place for a backup) has nothing to guard.
    explicit BackupLock(const QString& backupFile);
    ~BackupLock();
    BackupLock(const BackupLock&) = delete;
    BackupLock& operator=(const BackupLock&) = delete;

    // False only when another running program holds the lock. A lock file that cannot be
    // made at all (a read-only folder, an odd file system) does not keep the program from
    // timing: it then runs unguarded, as without a backup.
    bool tryLock();

    // "<backupFile>.lock"; empty without a backup.
    QString lockFileName() const;

private:
    QString m_lockFileName;
    std::unique_ptr<QLockFile> m_lock;
};
