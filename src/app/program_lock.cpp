#include "app/program_lock.h"

#include "platform/app_names.h"
#include "protocol/protocol_file_names.h"

std::unique_ptr<BackupLock> lockProgramBackup(const FormMainEnvironment& environment) {
    const AppNames names = appNamesFor(environment.executablePath);
    // The same place the main window will decide on, from the same folders.
    const BackupFiles backup = backupFiles(names.programFolder, names.baseName, environment.dataFolder);
    auto lock = std::make_unique<BackupLock>(backup.writeTo);
    if (!lock->tryLock())
        return nullptr;
    return lock;
}

QString programAlreadyRunsText(const QString& title) {
    return title + QStringLiteral(" läuft bereits. Ein zweites Programm würde die Sicherungsdatei des ersten "
                                  "überschreiben und wird deshalb beendet.");
}
