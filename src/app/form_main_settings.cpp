// The main window's side of the settings dialog: what the dialog is given, and the
// opening and applying of it (F2 and the gear button).

#include "app/form_main.h"

#include "dialogs/cfg_dialog.h"
#include "io/port_survey.h"
#include "journal/journal.h"
#include "platform/sound_player.h"
#include "run/barrier_port.h"
#include "run/run_controller.h"
#include "run/run_port.h"
#include "settings/settings_store.h"

#include "run/run_state.h"
#include <QMessageBox>

#include <QDir>
#include <QFileInfo>

CfgDialogLinks TFormMain::cfgDialogLinks() const {
    CfgDialogLinks links;
    links.backends = m_barrierPort->backends();
    links.mainPort = m_barrierPort.get();
    links.screens = m_environment.screens;
    links.surveyPorts = [root = m_environment.sysfsRoot] { return scanComPorts(root); };
    links.appTitle = m_names.baseName;
    links.showPortFailure = [port = m_barrierPort.get()](const QString& text) { port->showOpenFailure(text); };
    links.runActive = [this] { return m_controller && isRunning(m_controller->status().phase); };
    links.adapterResultsPath =
        QFileInfo(m_environment.settingsPath).dir().filePath(m_names.baseName + QStringLiteral("-Adapter.conf"));
    links.sysfsRoot = m_environment.sysfsRoot;
    return links;
}

Settings TFormMain::settings() const {
    Settings s = m_settings;
    if (!isMaximized() && !isMinimized()) {
        s.Left = x();
        s.Top = y();
        s.Width = width();
        s.Height = height();
    }
    s.Param2 = m_controller->cbParam2ItemIndex();
    s.FilterInd = m_saveDialog.FilterIndex;
    return s;
}

void TFormMain::applySettings(const Settings& settings) {
    m_settings = settings;
    m_sounds->setSoundOn(m_settings.Sound);
    m_barrierPort->setPortNumber(m_settings.Port);
    m_controller->setSettings(m_settings);
    m_controller->setParam2(m_settings.Param2);
    m_controller->updateIconsAfterSettings();
    // The spectator window takes the title and its monitor at once.
    monitorSettingsChanged();
    FormResize();
    applyWebSettings();
}

void TFormMain::bCFGClick() {
    TCfgDialog* dialog = m_later.cfgDialog;
    if (!dialog)
        return;
    dialog->fillFromSettings(settings());
    const Settings before = settings();
    // The dialog has the line while it is open; the port is opened again afterwards only
    // when it was open before (the track armed).
    m_barrierPort->lend();
    if (dialog->exec() == QDialog::Accepted) {
        applySettings(dialog->chosenSettings());
        // Written at once, so that a crash or power cut keeps what the official set.
        if (const std::optional<QString> failure = saveSettings(m_environment.settingsPath, settings()))
            QMessageBox::critical(this, m_names.baseName, *failure);
        if (m_journal)
            m_journal->settingsChanged(settingsChanges(before, settings()));
    }
    m_barrierPort->takeBackLater();
    m_ui.PanelLeft->setFocus();
}
