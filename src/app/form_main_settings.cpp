// The main window's side of the settings dialog: what the dialog is given, and the
// opening and applying of it (F2 and the gear button).

#include "app/form_main.h"

#include "dialogs/cfg_dialog.h"
#include "io/com_port.h"
#include "io/port_survey.h"
#include "run/barrier_port.h"
#include "run/run_controller.h"
#include "run/run_port.h"
#include "run/run_state.h"

#include <QDir>
#include <QFileInfo>

CfgDialogLinks TFormMain::cfgDialogLinks() const {
    CfgDialogLinks links;
    links.backends = m_barrierPort->backends();
    links.mainPort = &m_barrierPort->runPort();
    links.screens = m_environment.screens;
    links.surveyPorts = [root = m_environment.sysfsRoot] { return scanComPorts(root); };
    links.appTitle = m_names.baseName;
    links.showPortFailure = [port = m_barrierPort.get()](const QString& text) { port->showOpenFailure(text); };
    links.runActive = [this] { return m_controller && isRunning(m_controller->state()); };
    links.adapterResultsPath =
        QFileInfo(m_environment.settingsPath).dir().filePath(m_names.baseName + QStringLiteral("-Adapter.conf"));
    links.sysfsRoot = m_environment.sysfsRoot;
    return links;
}

void TFormMain::bCFGClick() {
    TCfgDialog* dialog = m_later.cfgDialog;
    if (!dialog)
        return;
    dialog->fillFromSettings(ComPort().Port());
    if (dialog->exec() == QDialog::Accepted) {
        dialog->storeSettings();
        // The spectator window takes the title and its monitor at once.
        monitorSettingsChanged();

        // The port: "Kein" leaves none and keeps the levels as they were.
        m_barrierPort->runPort().close();
        int port = 0;
        if (const std::optional<int> chosen = dialog->chosenPort()) {
            port = *chosen;
            m_settings.Alg = dialog->chosenAlg();
        }
        m_settings.Port = quint8(port);
        m_barrierPort->setPortNumber(port);
        if (port != 0)
            dialog->openMainPortLater();

        m_controller->setSettings(runSettings());
        m_controller->updateIconsAfterSettings();
        FormResize();
        applyWebSettings();
    }
    m_ui.PanelLeft->setFocus();
}
