// The program's five windows, created in a fixed order and kept until the program ends.

#pragma once

#include "app/form_main.h"
#include "dialogs/cfg_dialog.h"
#include "dialogs/dlg_yes_no.h"
#include "dialogs/form_info.h"
#include "monitor/form_monitor2.h"

// The program's five windows, created in their fixed order: the main window, the
// settings dialog, the yes/no dialog, the spectator window and the information
// window. The main window's creation therefore runs while none of the others
// exists; they are handed to it once they do. All live until the program ends.
// GUI thread only.
class ProgramWindows {
public:
    explicit ProgramWindows(FormMainEnvironment environment);

    TFormMain FormMain;
    TCfgDialog CfgDialog;
    TFDlgYesNo FDlgYesNo;
    TFormMonitor2 FormMonitor2;
    TFormInfo FormInfo;
};
