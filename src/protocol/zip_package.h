// Zip packages (office documents and workbooks) as lists of named entries, read and
// written in memory with libzip. Reading is bounded, so that a damaged or hostile
// file (a zip bomb, an entry claiming a false size) cannot exhaust the memory.
// Plain functions, any thread.

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

struct ZipEntry {
    QString name; // the path inside the package, '/' separated
    QByteArray data;
};

struct ZipLimits {
    qint64 maxFileBytes = 64 * 1024 * 1024;     // the package as stored
    qint64 maxUnpackedBytes = 64 * 1024 * 1024; // all entries together, unpacked
    qint64 maxEntries = 4096;
};

// Every file entry in archive order (folder entries are skipped); nothing when the
// bytes are not a readable zip or break a limit.
std::optional<QList<ZipEntry>> readZipPackage(const QByteArray& bytes, const ZipLimits& limits = {});
std::optional<QList<ZipEntry>> readZipFile(const QString& fileName, const ZipLimits& limits = {});

// A zip package of the entries, deflated, in the given order; empty on failure.
QByteArray zipEntries(const QList<ZipEntry>& entries);
