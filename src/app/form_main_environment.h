// Everything the main window takes from outside the program, in one value, so that tests
// give it temporary folders and fakes instead of the real configuration, devices and desktop.

#pragma once

#include "platform/desktop_opener.h"
#include "platform/screens.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class FileDialogs;
class SerialSystem;

// Everything the main window takes from outside the program: where its files are,
// the settings file, the serial-port survey's sysfs root, the current folder for
// "logo.jpg", the desktop services, the backup's second place, the protocol's file
// dialogs and the clock of the file names. Tests fill it with temporary folders and
// fakes, so that nothing touches the real configuration, devices or desktop.
// A plain value, filled on the GUI thread.
struct FormMainEnvironment {
    QString executablePath;      // the names, the program folder and the files beside it derive from it
    QString settingsPath;        // the settings file
    QString shareFolder;         // second place for sounds, Word template and help file; empty: none
    QString sysfsRoot;           // where the port survey reads which serial ports exist
    QString currentFolder;       // the folder "logo.jpg" is read from
    QString simulatorSocketPath; // the simulated barrier box's command socket; empty: none
    UrlOpener openUrl;           // web site and help file
    ScreenList screens;          // the attached monitors, primary first
    // What HighResTimer1 counts, in nanoseconds, from any thread; empty: the system's
    // monotonic clock. Tests give a counter they move themselves.
    std::function<qint64()> performanceCounter;

    // Where the backup goes when the program folder is not writable; empty: nowhere else.
    QString dataFolder;
    // Where the official's files go when the program folder is not writable (the dialogs'
    // start, the Ctrl+W document); empty: nowhere else.
    QString documentsFolder;
    // The protocol's save and open dialogs; empty: Qt's.
    std::shared_ptr<FileDialogs> fileDialogs;
    // Where Ctrl+E writes the workbook it opens; empty: the user's temporary folder.
    QString exportFolder;
    // The local time the proposed file names are made of; empty: the system clock.
    std::function<QDateTime()> clock;
    // The event journal's file; empty: no journal.
    QString journalPath;
    // The real serial lines behind COM1 to COM63; empty: the tty layer.
    std::shared_ptr<SerialSystem> serialLines;

    // The running program's: its executable, the per-user settings file named by its title,
    // the installed share folder, /sys, the process's current folder, the simulator's socket
    // in the runtime folder, the desktop, the per-user data folder and the journal in it.
    static FormMainEnvironment ofProcess();
};
