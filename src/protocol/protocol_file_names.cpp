// The protocol's file names: the date stamp, where the backup goes, moving a file aside and
// finding a free name or a private folder.

#include "protocol/protocol_file_names.h"

#include "protocol/atomic_file_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {

QString withTrailingSlash(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

QString dateStampName(const QDateTime& when) {
    QString name = when.toString(QStringLiteral("yyyy-MM-dd-hh-mm"));
    name.replace(u' ', u'0');
    return name;
}

bool isFolderWritable(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(withTrailingSlash(folder) + QStringLiteral(".tarvolt-probe-XXXXXX"));
    return probe.open();
}

QString unusedFileName(const QString& stem, const QString& extension) {
    QString name = stem + extension;
    for (int n = 2; nameIsTaken(name); ++n)
        name = stem + u'-' + QString::number(n) + extension;
    return name;
}

QString createPrivateFolder(const QString& parent, const QString& prefix) {
    if (parent.isEmpty() || !QDir().mkpath(parent))
        return {};
    // mkdtemp: a fresh name, created with mode 0700, never an existing folder or link.
    QTemporaryDir folder(withTrailingSlash(parent) + prefix + QStringLiteral("-XXXXXX"));
    if (!folder.isValid())
        return {};
    folder.setAutoRemove(false); // the desktop's program opens the files after this returns
    return folder.path();
}

BackupFiles backupFiles(const QString& programFolder, const QString& title, const QString& fallbackFolder) {
    const QString name = title + QStringLiteral("-Sicherungsdatei.txt");
    const bool programWritable = isFolderWritable(programFolder);
    const QString inProgram = programFolder.isEmpty() ? QString() : withTrailingSlash(programFolder) + name;
    const QString inData = fallbackFolder.isEmpty() ? QString() : withTrailingSlash(fallbackFolder) + name;
    const QFileInfo programInfo(inProgram);
    const QFileInfo dataInfo(inData);
    const bool programExists = !inProgram.isEmpty() && programInfo.exists();
    const bool dataExists = !inData.isEmpty() && dataInfo.exists();

    BackupFiles files;
    // The folder's writability may have changed since the backup was written (an installed
    // copy, a stick mounted read-only), so an existing backup is found wherever it lies;
    // with two, the newer one is the protocol of the last run.
    if (programExists && dataExists)
        files.readFrom = dataInfo.lastModified() > programInfo.lastModified() ? inData : inProgram;
    else if (programExists)
        files.readFrom = inProgram;
    else if (dataExists)
        files.readFrom = inData;

    if (files.readFrom == inProgram && programWritable)
        files.writeTo = inProgram;
    else if (!files.readFrom.isEmpty() && files.readFrom == inData && isFolderWritable(fallbackFolder))
        files.writeTo = inData;
    else if (programWritable)
        files.writeTo = inProgram;
    else if (!inData.isEmpty() && QDir().mkpath(fallbackFolder))
        files.writeTo = inData;
    return files;
}

std::optional<QString> moveAside(const QString& file, const QDateTime& when) {
    const QString stem = file + u'.' + dateStampName(when);
    for (int n = 1; n < 100; ++n) {
        const QString target = stem + (n == 1 ? QString() : QStringLiteral("-%1").arg(n)) + QStringLiteral(".bak");
        // rename() of QFile never replaces an existing file.
        if (QFileInfo::exists(target))
            continue;
        if (QFile::rename(file, target))
            return target;
        return std::nullopt;
    }
    return std::nullopt;
}
