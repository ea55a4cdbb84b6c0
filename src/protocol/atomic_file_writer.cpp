#include "protocol/atomic_file_writer.h"

#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
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

} // namespace

bool writeFileAtomically(const QString& fileName, const QByteArray& bytes, QString* errorText) {
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
