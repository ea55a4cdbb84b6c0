// Looks up the sounds, the document template and the help file in the program folder,
// then in the installed share folder.

#include "app/program_files.h"

#include "protocol/protocol_file_names.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString existingIn(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return {};
    const QString path = QDir(folder).filePath(name);
    return QFileInfo(path).isFile() ? path : QString();
}

QString lookUp(const QString& programFolder, const QString& shareFolder, const QString& name) {
    QString path = existingIn(programFolder, name);
    if (path.isEmpty())
        path = existingIn(shareFolder, name);
    return path;
}

} // namespace

ProgramFiles programFilesFor(const QString& executablePath, const QString& shareFolder) {
    const QFileInfo executable(executablePath);
    const QString programFolder = executable.absolutePath();
    static const std::array<QString, signalSoundCount> soundNames{
        QStringLiteral("Ton1-Start.wav"), QStringLiteral("Ton2.wav"), QStringLiteral("Ton3-Vmax.wav"),
        QStringLiteral("Ton4-Finish.wav")};

    ProgramFiles files;
    for (int i = 0; i < signalSoundCount; ++i)
        files.sounds[i] = lookUp(programFolder, shareFolder, soundNames[i]);

    const QString templateName = QStringLiteral("Protokollvorlage.docx");
    files.wordTemplate = lookUp(programFolder, shareFolder, templateName);
    if (files.wordTemplate.isEmpty())
        files.wordTemplate = QDir(programFolder).filePath(templateName);

    const QString helpName = executable.completeBaseName() + QStringLiteral("-Hilfe.html");
    files.helpFile = lookUp(programFolder, shareFolder, helpName);
    if (files.helpFile.isEmpty())
        files.helpFile = QDir(programFolder).filePath(helpName);
    return files;
}

QString installedShareFolder() {
    return QStringLiteral(TARVOLT_SHARE_FOLDER);
}

QString userFilesFolder(const QString& programFolder, const QString& documentsFolder) {
    QString folder = programFolder;
    if (!isFolderWritable(programFolder) && !documentsFolder.isEmpty() && QDir().mkpath(documentsFolder))
        folder = documentsFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}
