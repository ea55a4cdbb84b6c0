// The backup's lock file, never stale by age, only when the program that held it is gone.

#include "protocol/backup_lock.h"

#include <QFile>
#include <QLockFile>

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A lock file younger than this may belong to a program that has made it and not yet
// taken its kernel lock on it.
constexpr time_t youngLockSeconds = 3;

// Whether the file under the lock's name is left over rather than held: QLockFile keeps a
// kernel lock (flock) on its file for as long as its program runs, and the kernel drops it
// when the program dies, whatever the file says. Such a leftover is removed here. A file
// QLockFile cannot judge, because it names another computer (a stick moved on after a
// crash) or holds no readable name at all (a power cut while it was made), would
// otherwise keep every later start out. A link under the name is never a lock: only the
// link goes. Returns true when the name is free again.
bool removeUnheldLock(const QString& lockFileName) {
    const QByteArray name = QFile::encodeName(lockFileName);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP)
            return ::unlink(name.constData()) == 0;
        return errno == ENOENT;
    }
    bool removed = false;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const time_t age = std::time(nullptr) - info.st_mtime;
        if (age > youngLockSeconds || age < -youngLockSeconds)
            removed = ::unlink(name.constData()) == 0;
    }
    ::close(fd); // also ends the kernel lock taken here
    return removed;
}

} // namespace

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
    if (m_lock->error() != QLockFile::LockFailedError)
        return true;
    return removeUnheldLock(m_lockFileName) && m_lock->tryLock(0);
}

QString BackupLock::lockFileName() const {
    return m_lockFileName;
}
