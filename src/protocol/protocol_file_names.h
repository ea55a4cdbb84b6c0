// Names of the protocol files: the default file name stem and the backup file.
// Any thread.

#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The stem proposed for a saved protocol, "yyyy-MM-dd-hh-mm" of the given local time,
// for example 2014-03-07-09-05.
QString dateStampName(const QDateTime& when);

// Where the backup "<title>-Sicherungsdatei.txt" is read at start-up and written from then on.
struct BackupFiles {
    // The existing backup: in programFolder or in fallbackFolder (the application's data
    // folder), the newer one when both exist; empty when there is none.
    QString readFrom;
    // readFrom when its folder takes new files; otherwise programFolder when it does, else
    // fallbackFolder (created when missing); empty when there is no place at all.
    QString writeTo;
};

// Folders with or without a trailing '/'. Decide once at start-up and keep the result, so
// that the backup is read from and written to the same place.
BackupFiles backupFiles(const QString& programFolder, const QString& title, const QString& fallbackFolder);

// Renames file to "<file>.<dateStampName(when)>.bak" (with "-2", "-3", ... when that name
// is taken), so that a backup that cannot be used is kept out of the way of the next
// write. Returns the new name, or nothing when the rename failed.
std::optional<QString> moveAside(const QString& file, const QDateTime& when);

// stem + extension, or stem + "-2" + extension, "-3", ... : the first name nothing has yet,
// not even a dangling link, so that no earlier file of the same minute is replaced.
QString unusedFileName(const QString& stem, const QString& extension);

// A new folder "<parent>/<prefix>-XXXXXX" (random letters) that only this user can enter
// (mode 0700), for files whose names others could predict. Empty when it cannot be made.
QString createPrivateFolder(const QString& parent, const QString& prefix);

// Whether a file can be created in folder, tested by creating and removing one.
// Permission bits alone do not tell (read-only mounts, root, ACLs).
bool isFolderWritable(const QString& folder);
