#include "protocol/protocol_file_names.h"

#include <QDir>
#include <QFileInfo>
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

QString backupFileName(const QString& programFolder, const QString& title, const QString& fallbackFolder) {
    const QString name = title + QStringLiteral("-Sicherungsdatei.txt");
    if (isFolderWritable(programFolder))
        return withTrailingSlash(programFolder) + name;
    QDir().mkpath(fallbackFolder);
    return withTrailingSlash(fallbackFolder) + name;
}
