// Creates the five windows in their fixed order and hands the later ones to the main window.

#include "app/program_windows.h"

#include "dialogs/dialog_artwork.h"

ProgramWindows::ProgramWindows(FormMainEnvironment environment)
    : FormMain(environment), CfgDialog(FormMain.portMask(), FormMain.cfgDialogLinks(), &FormMain),
      FDlgYesNo(FormMain.names().baseName, &FormMain), FormMonitor2(FormMain.monitorHost(), &FormMain),
      FormInfo(FormMain.names().baseName, tarvoltApplicationIcon(), environment.openUrl, &FormMain) {
    FormMain.attachLaterWindows({&CfgDialog, &FDlgYesNo, &FormMonitor2, &FormInfo});
}
