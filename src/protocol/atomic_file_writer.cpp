// The atomic write: a temporary file in the same folder, flushed, renamed over the target,
// and the folder entry synced, so that a power cut leaves the old file or the new one.

#include "protocol/atomic_file_writer.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The rename is only durable once the folder entry is on disk as well.
void syncFolder(const QString& fileName) {
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

bool fail(QString* errorText, const QString& reason) {
    if (errorText)
        *errorText = reason;
    return false;
}

// The temporary file's bytes on disk, then renamed over the name itself: rename()
// replaces a link rather than following it.
bool writeWithoutFollowing(const QString& fileName, const QByteArray& bytes, QString* errorText) {
    const QByteArray target = QFile::encodeName(fileName);
    struct stat existing {};
    const bool exists = ::lstat(target.constData(), &existing) == 0;
    if (exists && S_ISLNK(existing.st_mode))
        return fail(errorText, QStringLiteral("Die Datei ist ein symbolischer Verweis und wird nicht überschrieben."));
    if (exists && !S_ISREG(existing.st_mode))
        return fail(errorText, QStringLiteral("An dieser Stelle liegt keine gewöhnliche Datei."));

    QTemporaryFile file(fileName + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return fail(errorText, QString::fromLocal8Bit(std::strerror(errno)));
    // A new file gets the usual rw-r--r--; a replaced one keeps its own permissions.
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0644;
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fchmod(file.handle(), mode) != 0 ||
        ::fsync(file.handle()) != 0) {
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : QString::fromLocal8Bit(std::strerror(errno));
        return fail(errorText, reason);
    }
    const QByteArray temporary = QFile::encodeName(file.fileName());
    if (::rename(temporary.constData(), target.constData()) != 0)
        return fail(errorText, QString::fromLocal8Bit(std::strerror(errno)));
    file.setAutoRemove(false); // its name is the target's now
    syncFolder(fileName);
    return true;
}

} // namespace

bool nameIsTaken(const QString& fileName) {
    struct stat info {};
    return ::lstat(QFile::encodeName(fileName).constData(), &info) == 0;
}

bool writeFileAtomically(const QString& fileName, const QByteArray& bytes, QString* errorText, TargetLinks links) {
    if (links == TargetLinks::Refuse)
        return writeWithoutFollowing(fileName, bytes, errorText);
    QSaveFile file(fileName);
    // Writing in place would destroy the old file on a failed write.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fail(errorText, file.errorString());
    // The write is buffered, and commit() would rename a file whose flush fell short
    // (disk full, file size limit): the flush is checked here.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(errorText, reason);
    }
    if (!file.commit())
        return fail(errorText, file.errorString());
    syncFolder(fileName);
    return true;
}
