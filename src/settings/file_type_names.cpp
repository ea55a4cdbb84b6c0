// Reads the save dialog's type names for .docx and .html from the shared MIME database.

#include "settings/file_type_names.h"

#include <QMimeDatabase>
#include <QMimeType>

namespace {

void takeComment(const QMimeDatabase& database, const QString& mimeName, QString& name) {
    const QMimeType type = database.mimeTypeForName(mimeName);
    if (type.isValid())
        name = type.comment();
}

} // namespace

FileTypeNames fileTypeNamesFromMimeDatabase() {
    const QMimeDatabase database;
    FileTypeNames names;
    takeComment(database, QStringLiteral("text/html"), names.webPage);
    takeComment(database, QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document"),
                names.word);
    return names;
}
