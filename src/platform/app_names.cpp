// The program's title and folder, read from the executable's path.

#include "platform/app_names.h"

#include <QFileInfo>

AppNames appNamesFor(const QString& executablePath) {
    const QFileInfo info(executablePath);
    AppNames names;
    names.baseName = info.completeBaseName();
    names.programFolder = info.absolutePath();
    if (!names.programFolder.endsWith(u'/'))
        names.programFolder += u'/';
    return names;
}
