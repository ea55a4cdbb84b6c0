// One program per backup: the lock taken before any window exists, and the call a second
// start makes to the running copy before it ends.

#pragma once

#include "app/form_main_environment.h"
#include "protocol/backup_lock.h"

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class TerminationSignals;

// The entry's first step: one program per backup. The lock on the backup that the
// program described by `environment` will write is taken before any window exists; a
// second start asks the running copy to show its window and ends. GUI thread.

// The backup the program described by `environment` will write (empty: none).
QString programBackupFile(const FormMainEnvironment& environment);

// The held lock on backupFile, to be kept until the program ends; nothing when another
// running copy holds it, and this one must end without writing anything.
std::unique_ptr<BackupLock> lockProgramBackup(const QString& backupFile);

// What the second copy tells the official before it ends.
QString programAlreadyRunsText(const QString& title);

// The second copy's message box, until the official closes it or a termination signal
// (a logout, a shutdown) ends the program: a box left open never holds the session up.
void tellProgramAlreadyRuns(const QString& title, const TerminationSignals& termination);

// The running copy's ear for a second start: a local socket in the user's runtime folder
// named after the backup. Tells `showRequested` when a second start asks.
class RunningCopyCall : public QObject {
    Q_OBJECT

public:
    RunningCopyCall(const QString& backupFile, QObject* parent = nullptr);

    // The second start's side: asks the copy holding backupFile to show its window;
    // false when none answers within msecs.
    static bool askToShow(const QString& backupFile, int msecs);

signals:
    void showRequested();

private:
    QLocalServer* m_server;
};
