// The files the program looks for beside its executable, found once at start-up.
// Each is looked up in the program folder first, then in the shared data folder of
// an installed copy. Plain values and a pure lookup, any thread.

#pragma once

#include <QString>

#include <array>

enum SignalSound { soundStart, soundSplit, soundTrap, soundFinish, signalSoundCount };

struct ProgramFiles {
    // "Ton1-Start.wav", "Ton2.wav", "Ton3-Vmax.wav", "Ton4-Finish.wav"; empty when the file
    // does not exist, so it is never played.
    std::array<QString, signalSoundCount> sounds;
    // "Protokollvorlage.docx"; the program folder's path when neither place has one.
    QString wordTemplate;
    // The manual, the executable's name with "-Hilfe.html"; the program folder's path when
    // neither place has one.
    QString helpFile;
};

// programFolder and shareFolder with or without a trailing '/'; an empty shareFolder is not searched.
ProgramFiles programFilesFor(const QString& executablePath, const QString& shareFolder);

// Where an installed copy keeps its sounds, template and help file.
QString installedShareFolder();

// Where the official's own files go by default (the save and open dialogs' start, the
// Ctrl+W document): the program folder while it is writable, as on a stick or a copy in the
// home folder; the documents folder (created when missing) when it is not, as in /usr/bin.
// With a trailing '/'.
QString userFilesFolder(const QString& programFolder, const QString& documentsFolder);
