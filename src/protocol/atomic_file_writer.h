// Writes a whole file so that it is either fully replaced or left as it was: the bytes
// go to a temporary file in the target's folder, are flushed to disk and then renamed
// over the target. A crash or power cut during the write leaves the old file intact.
// Blocking; any thread, as long as no two writers target the same file at once.
//
// Returns true on success. On failure the target is unchanged and, when errorText is
// given, it receives the system's reason.

#pragma once

#include <QByteArray>
#include <QString>

// What happens when the target's name is a symbolic link.
enum class TargetLinks {
    // A name the official chose: the link's target is replaced, as any program does.
    Follow,
    // A name the program chose itself (backup, its web page, its dated files), which
    // someone else may have planted a link under: such a name is refused, and the final
    // rename replaces a link that appears meanwhile instead of writing where it points.
    Refuse,
};

[[nodiscard]] bool writeFileAtomically(const QString& fileName, const QByteArray& bytes, QString* errorText = nullptr,
                                       TargetLinks links = TargetLinks::Follow);

// Whether anything at all, a dangling symbolic link too, has that name.
bool nameIsTaken(const QString& fileName);
