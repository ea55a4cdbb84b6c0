// How the main window ends: the close question, and what is written once it is answered
// (or skipped when a termination signal ends the program).

#include "app/form_main.h"

#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "display/display_panel.h"
#include "run/barrier_port.h"
#include "run/run_port.h"
#include "settings/settings_store.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>

void TFormMain::FormCloseQuery(bool& CanClose) {
    // Before the dialog exists nothing can be asked; the program only gets here later.
    if (m_later.yesNo)
        CanClose = m_later.yesNo->ask(QStringLiteral("Programm beenden?"));
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!m_shutDown) {
        bool CanClose = true;
        if (!m_ending) {
            m_asking = true;
            FormCloseQuery(CanClose);
            m_asking = false;
        }
        // A termination signal while the question was up ends the program whatever the answer.
        if (m_ending)
            CanClose = true;
        if (!CanClose) {
            event->ignore();
            return;
        }
        shutdown(!m_ending);
        emit programEnded();
    }
    event->accept();
}

void TFormMain::endWithoutQuestion() {
    if (m_shutDown)
        return;
    m_ending = true;
    // A modal dialog of the program would keep its event loop running. It is answered "no"
    // rather than closed: closing a window from inside another window's close is not safe.
    while (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        modal->reject();
        if (modal->isVisible())
            break;
    }
    // The close question returns once its dialog is closed, and the close goes on from there.
    if (m_asking)
        return;
    if (!close()) {
        // Something refused the close; the program still ends, with everything written.
        shutdown(false);
        emit programEnded();
    }
}

void TFormMain::shutdown(bool askOnFailure) {
    m_shutDown = true;
    m_timerDate.stop();
    // Text still being typed into a cell belongs to the protocol. A confirmed close stores it
    // when the question takes the focus; a signal or a refused close asks nothing, so it is
    // stored here for every end alike.
    m_ui.SortGrid1->hideEditor(true);
    saveBackupProtocol();
    // The last table is on disk before the program goes on to its end.
    waitForBackup(60000);

    m_settings = settings();
    const std::optional<QString> failure = saveSettings(m_environment.settingsPath, m_settings);
    // When a signal ends the program nobody may be there to answer a message box.
    if (failure && askOnFailure)
        QMessageBox::critical(this, m_names.baseName, *failure);

    m_barrierPort->runPort().close();
}
