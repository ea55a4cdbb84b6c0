// The program's start: the locale for files, Qt's translations, the termination signals, the
// one-program-per-backup lock, then the five windows and the event loop.

#include "app/program_lock.h"
#include "app/program_windows.h"
#include "platform/app_names.h"
#include "platform/qt_translations.h"
#include "platform/termination_signals.h"
#include "protocol/c_numeric_locale.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Numbers in files stay "2.463" on a German desktop; the program's texts use QLocale.
    useCNumbersInProcess();
    // The main window decides when the program ends, also while the spectator window is up.
    app.setQuitOnLastWindowClosed(false);
    // Qt's dialogs speak the desktop's language like the program's own texts.
    (void)installQtTranslations(app, QLocale::system());

    // Caught from here on, so that a signal during start-up still ends the program tidily.
    TerminationSignals terminationSignals;

    FormMainEnvironment environment = FormMainEnvironment::ofProcess();
    // Before any window: a second copy reads nothing into a window and writes nothing at its end.
    const QString backupFile = programBackupFile(environment);
    const std::unique_ptr<BackupLock> backupLock = lockProgramBackup(backupFile);
    if (!backupLock) {
        RunningCopyCall::askToShow(backupFile, 2000);
        tellProgramAlreadyRuns(appNamesFor(environment.executablePath).baseName, terminationSignals);
        return 1;
    }

    ProgramWindows windows(std::move(environment));
    TFormMain& formMain = windows.FormMain;
    RunningCopyCall call(backupFile);
    QObject::connect(&call, &RunningCopyCall::showRequested, &formMain, [&formMain] {
        if (formMain.isMinimized())
            formMain.showNormal();
        formMain.raise();
        formMain.activateWindow();
    });
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &formMain,
                     &TFormMain::endWithoutQuestion);
    QObject::connect(&formMain, &TFormMain::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    formMain.show();
    return app.exec();
}
