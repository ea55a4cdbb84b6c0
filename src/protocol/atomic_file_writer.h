#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file so that it is either fully replaced or left as it was: the bytes
// go to a temporary file in the target's folder, are flushed to disk and then renamed
// over the target. A crash or power cut during the write leaves the old file intact.
// Blocking; any thread, as long as no two writers target the same file at once.
//
// Returns true on success. On failure the target is unchanged and, when errorText is
// given, it receives the system's reason.
[[nodiscard]] bool writeFileAtomically(const QString& fileName, const QByteArray& bytes, QString* errorText = nullptr);
