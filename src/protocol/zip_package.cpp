// Zip packages read and written with libzip in memory, every entry read to its real end
// within the caps rather than trusting the size it claims.

#include "protocol/zip_package.h"

#include <QFile>

#include <zip.h>

#include <memory>

namespace {

struct ZipSourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
struct ZipArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipArchiveCloser>;

struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// The whole entry, read until its real end rather than trusting the size it claims.
std::optional<QByteArray> readEntry(zip_t* archive, zip_uint64_t index, qint64 room) {
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, index, 0));
    if (!file)
        return std::nullopt;
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), buffer, sizeof buffer);
        if (n < 0 || data.size() + n > room)
            return std::nullopt;
        if (n == 0)
            return data;
        data.append(buffer, qsizetype(n));
    }
}

} // namespace

std::optional<QList<ZipEntry>> readZipPackage(const QByteArray& bytes, const ZipLimits& limits) {
    if (bytes.size() > limits.maxFileBytes)
        return std::nullopt;
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, ZipSourceFree> source(
        zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error));
    if (!source)
        return std::nullopt;
    ZipArchive archive(zip_open_from_source(source.get(), ZIP_RDONLY, &error));
    zip_error_fini(&error);
    if (!archive)
        return std::nullopt;
    // The archive owns the source from here on.
    (void)source.release();
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0 || count > limits.maxEntries)
        return std::nullopt;
    QList<ZipEntry> entries;
    qint64 room = limits.maxUnpackedBytes;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!name)
            return std::nullopt;
        const QString entryName = QString::fromUtf8(name);
        if (entryName.endsWith(u'/'))
            continue; // a folder entry
        std::optional<QByteArray> data = readEntry(archive.get(), zip_uint64_t(i), room);
        if (!data)
            return std::nullopt;
        room -= data->size();
        entries.append({entryName, *data});
    }
    return entries;
}

std::optional<QList<ZipEntry>> readZipFile(const QString& fileName, const ZipLimits& limits) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > limits.maxFileBytes)
        return std::nullopt;
    const QByteArray bytes = file.read(limits.maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return readZipPackage(bytes, limits);
}

QByteArray zipEntries(const QList<ZipEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!memory)
        return QByteArray();
    zip_t* archive = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_source_free(memory);
        return QByteArray();
    }
    // The archive's close would free the memory source; it is read back afterwards.
    zip_source_keep(memory);
    bool ok = true;
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.constData(), zip_uint64_t(entry.data.size()), 0);
        if (!source || zip_file_add(archive, entry.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            ok = false;
            break;
        }
    }
    if (!ok || zip_close(archive) != 0) {
        zip_discard(archive);
        zip_source_free(memory);
        return QByteArray();
    }

    QByteArray bytes;
    if (zip_source_open(memory) == 0) {
        if (zip_source_seek(memory, 0, SEEK_END) == 0) {
            const zip_int64_t size = zip_source_tell(memory);
            if (size > 0 && zip_source_seek(memory, 0, SEEK_SET) == 0) {
                bytes.resize(qsizetype(size));
                if (zip_source_read(memory, bytes.data(), zip_uint64_t(size)) != size)
                    bytes.clear();
            }
        }
        zip_source_close(memory);
    }
    zip_source_free(memory);
    return bytes;
}
