#include "app/form_main.h"
#include "app/form_main_environment.h"
#include "dialogs/dialog_artwork.h"
#include "dialogs/dlg_yes_no.h"
#include "dialogs/form_info.h"
#include "monitor/form_monitor2.h"
#include "platform/termination_signals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The main window decides when the program ends, also while the spectator window is up.
    app.setQuitOnLastWindowClosed(false);

    // Caught from here on, so that a signal during start-up still ends the program tidily.
    TerminationSignals terminationSignals;

    TFormMain formMain(FormMainEnvironment::ofProcess());
    TFDlgYesNo yesNo(formMain.names().baseName, &formMain);
    TFormMonitor2 monitor(&formMain);
    TFormInfo info(formMain.names().baseName, tarvoltApplicationIcon(), desktopUrlOpener(), &formMain);
    formMain.attachLaterWindows({nullptr, &yesNo, &monitor, &info});

    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &formMain,
                     &TFormMain::endWithoutQuestion);
    QObject::connect(&formMain, &TFormMain::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    formMain.show();
    return app.exec();
}
