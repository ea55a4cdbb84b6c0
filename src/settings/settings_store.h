// Reading and writing the settings file: an INI file per user, named by the
// application title. Called on the GUI thread at start and at a normal end.

#pragma once

#include "settings/settings.h"

#include <QProcessEnvironment>
#include <QString>

#include <optional>

// $XDG_CONFIG_HOME/Quillmere/<appTitle>.conf, with ~/.config when XDG_CONFIG_HOME is unset or not absolute.
QString defaultSettingsPath(const QString& appTitle, const QProcessEnvironment& environment);
QString defaultSettingsPath(const QString& appTitle);

// Reads the values in their fixed order into settings, each applied at once. The first
// value that is absent or of another kind ends the reading; it and all later values keep
// what settings held. A missing or unreadable file reads nothing; a file with syntax
// errors reads what could be parsed. A file that is unreadable or has such errors is
// kept as "<path>.bak" before the end writes a new one. Never reports anything.
void loadSettings(const QString& path, Settings& settings);

// Writes all values; set Left and Top to the window's current position first (unset ones
// are written as 0). The file is replaced as a whole, so a failed or interrupted write
// leaves the previous file as it was. Returns the message to show on failure.
std::optional<QString> saveSettings(const QString& path, const Settings& settings);
