// The main window's outside world as the running program has it: the real settings file,
// folders, desktop services, file dialogs and clock.

#include "app/form_main_environment.h"

#include "app/program_files.h"
#include "io/simulator_server.h"
#include "platform/app_names.h"
#include "settings/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

FormMainEnvironment FormMainEnvironment::ofProcess() {
    FormMainEnvironment environment;
    environment.executablePath = QCoreApplication::applicationFilePath();
    const QString title = appNamesFor(environment.executablePath).baseName;
    environment.settingsPath = defaultSettingsPath(title);
    environment.simulatorSocketPath = ::simulatorSocketPath(title);
    environment.shareFolder = installedShareFolder();
    environment.sysfsRoot = QStringLiteral("/sys");
    environment.currentFolder = QDir::currentPath();
    environment.openUrl = desktopUrlOpener(title);
    environment.screens = desktopScreens();
    environment.dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // Without a data folder there is no journal, rather than one in whatever the current folder is.
    if (!environment.dataFolder.isEmpty())
        environment.journalPath = QDir(environment.dataFolder).filePath(QStringLiteral("Tarvolt-Journal.sqlite"));
    environment.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return environment;
}
