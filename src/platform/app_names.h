// The names taken from the executable's path: its title names the settings file, the backup
// and the captions; its folder is where the program's own files are looked for.

#pragma once

#include <QString>

// Names every part of the program derives from the executable's path: the
// application title names the settings file, the backup file and the captions.
struct AppNames {
    QString baseName;      // file name without folder and extension, e.g. "Tarvolt"
    QString programFolder; // folder of the executable, with a trailing '/'
};

AppNames appNamesFor(const QString& executablePath);
