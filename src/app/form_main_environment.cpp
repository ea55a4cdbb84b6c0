#include "app/form_main_environment.h"

#include "app/program_files.h"
#include "platform/app_names.h"
#include "settings/settings_store.h"

#include <QCoreApplication>
#include <QDir>

FormMainEnvironment FormMainEnvironment::ofProcess() {
    FormMainEnvironment environment;
    environment.executablePath = QCoreApplication::applicationFilePath();
    environment.settingsPath = defaultSettingsPath(appNamesFor(environment.executablePath).baseName);
    environment.shareFolder = installedShareFolder();
    environment.sysfsRoot = QStringLiteral("/sys");
    environment.currentFolder = QDir::currentPath();
    environment.openUrl = desktopUrlOpener();
    environment.screens = desktopScreens();
    return environment;
}
