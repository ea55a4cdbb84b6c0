// How the main window ends: the close question, and what is written once it is answered
// (or skipped when a termination signal ends the program).

#include "app/form_main.h"

#include "app/display_panel.h"
#include "dialogs/dlg_yes_no.h"
#include "settings/settings_store.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMessageBox>

void TFormMain::FormCloseQuery(bool& CanClose) {
    // Before the dialog exists nothing can be asked; the program only gets here later.
    if (m_later.yesNo)
        CanClose = m_later.yesNo->ask(QStringLiteral("Programm beenden?"));
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (!m_shutDown) {
        bool CanClose = true;
        if (!m_ending)
            FormCloseQuery(CanClose);
        if (!CanClose) {
            event->ignore();
            return;
        }
        shutdown(!m_ending);
    }
    event->accept();
    emit programEnded();
}

void TFormMain::endWithoutQuestion() {
    if (m_shutDown)
        return;
    m_ending = true;
    // A modal dialog of the program would keep close() from ending its event loop.
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->close();
    if (!close()) {
        // Something refused the close; the program still ends, with everything written.
        shutdown(false);
        emit programEnded();
    }
}

void TFormMain::shutdown(bool askOnFailure) {
    m_shutDown = true;
    m_timerDate.stop();
    saveBackupProtocol();

    if (!isMaximized() && !isMinimized()) {
        m_settings.Left = x();
        m_settings.Top = y();
        m_settings.Width = width();
        m_settings.Height = height();
    }
    m_settings.Param2 = m_ui.PanelDisplay->cbParam2->currentIndex();
    m_settings.FilterInd = m_saveDialog.FilterIndex;
    const std::optional<QString> failure = saveSettings(m_environment.settingsPath, m_settings);
    // When a signal ends the program nobody may be there to answer a message box.
    if (failure && askOnFailure)
        QMessageBox::critical(this, m_names.baseName, *failure);
}

void TFormMain::loadBackupProtocol() {}

void TFormMain::saveBackupProtocol() {}
