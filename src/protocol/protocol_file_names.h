#pragma once

#include <QDateTime>
#include <QString>

// Names of the protocol files: the default file name stem and the backup file.
// Any thread.

// The stem proposed for a saved protocol, "yyyy-MM-dd-hh-mm" of the given local time,
// for example 2014-03-07-09-05.
QString dateStampName(const QDateTime& when);

// "<folder><title>-Sicherungsdatei.txt" in programFolder when a file can be created
// there, else in fallbackFolder (the application's data folder), which is created
// when missing. Both folders may be given with or without a trailing '/'.
// Decide once at start-up and keep the result, so that the backup is read from and
// written to the same place.
QString backupFileName(const QString& programFolder, const QString& title, const QString& fallbackFolder);

// Whether a file can be created in folder, tested by creating and removing one.
// Permission bits alone do not tell (read-only mounts, root, ACLs).
bool isFolderWritable(const QString& folder);
