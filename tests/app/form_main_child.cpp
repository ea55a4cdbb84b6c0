// A test's stand-in for the program: the real main window with all its windows, in a
// world of its own under the folder given as the only argument (program folder "bin",
// settings "config/Tarvolt.conf", the barrier box's socket "box.sock", data folder
// "data", the journal in it). A test process starts it, drives the barriers through the box's socket and
// the official's commands through stdin, one a line:
//   arm          F4
//   reset        F9
//   number N     types N into the start-number field
//   rows         answers "row <cells joined by |>" per data row, "fields <N1> <N2>", "end"
//   quit         ends as a termination signal would, with backup and settings written
// and reads what happens on stdout: "ready" once the window is up, "state <RunState>" at
// every change of the run's state, "backup <data rows>" once a finish or an accident has
// written the backup, "shown" when a second start asked for the window. A second child on
// the same folder asks the first to show its window, says "already running (asked 1):
// <text>", shows the program's message box and ends with exit code 3 once the box is
// closed or a termination signal (a logout) came, as the program ends after its message.

#include "app/form_main_commands.h"
#include "app/program_lock.h"
#include "app/program_windows.h"
#include "controls/sort_grid.h"
#include "display/display_panel.h"
#include "platform/termination_signals.h"
#include "run/run_controller.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QSpinBox>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

const char* stateName(RunState state) {
    static const char* const names[] = {"Idle",          "Armed",   "RunningSplitPending", "RunningSplitTaken",
                                        "RunningInTrap", "Finished"};
    return names[int(state)];
}

int numberedRows(const SortGridData& grid) {
    int rows = 0;
    for (int row = 1; row < grid.RowCount(); ++row)
        rows += grid.cell(0, row).trimmed().isEmpty() ? 0 : 1;
    return rows;
}

void runCommand(TFormMain& form, const QString& line) {
    FormMainCommands& c = form.commands();
    const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    if (verb == QStringLiteral("arm")) {
        FormMainCommands::clickItem(c.mFreigabe1);
    } else if (verb == QStringLiteral("reset")) {
        FormMainCommands::clickItem(c.mReset);
    } else if (verb == QStringLiteral("number")) {
        form.ui().PanelDisplay->editStartN1->setValue(words.value(1).toInt());
    } else if (verb == QStringLiteral("rows")) {
        const SortGridData& grid = form.ui().SortGrid1->gridData();
        for (int row = 1; row < grid.RowCount(); ++row)
            say(QStringLiteral("row ") + grid.rowCells(row).join(u'|'));
        const DisplayPanel* panel = form.ui().PanelDisplay;
        say(QStringLiteral("fields %1 %2").arg(panel->editStartN1->value()).arg(panel->editStartN2->value()));
        say(QStringLiteral("end"));
    } else if (verb == QStringLiteral("quit")) {
        form.endWithoutQuestion();
    } else {
        say(QStringLiteral("unknown ") + line);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (argc != 2) {
        std::fputs("usage: form_main_child <folder>\n", stderr);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));

    FormMainEnvironment environment;
    environment.executablePath = root.filePath(QStringLiteral("bin/Tarvolt"));
    environment.settingsPath = root.filePath(QStringLiteral("config/Tarvolt.conf"));
    environment.sysfsRoot = root.filePath(QStringLiteral("sys"));
    environment.currentFolder = root.path();
    environment.simulatorSocketPath = root.filePath(QStringLiteral("box.sock"));
    environment.dataFolder = root.filePath(QStringLiteral("data"));
    environment.journalPath = root.filePath(QStringLiteral("data/Tarvolt-Journal.sqlite"));
    environment.openUrl = [](const QUrl&) {};
    environment.screens = [] { return QList<QRect>{QRect(0, 0, 1280, 1024)}; };

    const QString backupFile = programBackupFile(environment);
    const std::unique_ptr<BackupLock> backupLock = lockProgramBackup(backupFile);
    if (!backupLock) {
        // The program's message box follows; it ends with the box or a termination signal.
        TerminationSignals termination;
        const bool asked = RunningCopyCall::askToShow(backupFile, 5000);
        say(QStringLiteral("already running (asked %1): ").arg(asked ? 1 : 0) +
            programAlreadyRunsText(QStringLiteral("Tarvolt")));
        tellProgramAlreadyRuns(QStringLiteral("Tarvolt"), termination);
        return 3;
    }

    ProgramWindows windows(environment);
    RunningCopyCall call(backupFile);
    QObject::connect(&call, &RunningCopyCall::showRequested, &app, [] { say(QStringLiteral("shown")); });
    TFormMain& form = windows.FormMain;
    QObject::connect(&form, &TFormMain::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    RunController& controller = form.runController();
    // Said once the backup's write has ended, so the file is on disk when the test reads it.
    QObject::connect(&form, &TFormMain::backupWritten, &app,
                     [&form] { say(QStringLiteral("backup %1").arg(numberedRows(form.ui().SortGrid1->gridData()))); });
    RunState shown = controller.state();
    QObject::connect(&controller, &RunController::stateChanged, &app, [&controller, &shown] {
        if (controller.state() == shown)
            return;
        shown = controller.state();
        say(QStringLiteral("state ") + QString::fromLatin1(stateName(shown)));
    });

    QByteArray input;
    QSocketNotifier stdinReady(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinReady, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            // The test is gone: end as it would have asked.
            stdinReady.setEnabled(false);
            form.endWithoutQuestion();
            return;
        }
        input.append(buffer, got);
        qsizetype end = 0;
        while ((end = input.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(input.left(end)).trimmed();
            input.remove(0, end + 1);
            if (!line.isEmpty())
                runCommand(form, line);
        }
    });

    form.show();
    say(QStringLiteral("ready"));
    return app.exec();
}
