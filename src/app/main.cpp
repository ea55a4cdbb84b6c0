#include "app/program_windows.h"
#include "platform/qt_translations.h"
#include "platform/termination_signals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The main window decides when the program ends, also while the spectator window is up.
    app.setQuitOnLastWindowClosed(false);
    // Qt's dialogs speak the desktop's language like the program's own texts.
    (void)installQtTranslations(app, QLocale::system());

    // Caught from here on, so that a signal during start-up still ends the program tidily.
    TerminationSignals terminationSignals;

    ProgramWindows windows(FormMainEnvironment::ofProcess());
    TFormMain& formMain = windows.FormMain;
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &formMain,
                     &TFormMain::endWithoutQuestion);
    QObject::connect(&formMain, &TFormMain::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    formMain.show();
    return app.exec();
}
