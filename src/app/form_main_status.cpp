// Status panel 2 seen from the main window: the track's state in words, the port's state,
// the alarm of a missing split, and the messages that stand before them, from one StatusLine.

#include "app/form_main.h"

#include "app/button_flash.h"
#include "app/status_line.h"
#include "app/status_panels.h"
#include "controls/sort_grid.h"
#include "io/com_port.h"
#include "run/barrier_port.h"
#include "run/run_controller.h"
#include "run/split_watch.h"
#include "run/track_state_text.h"

#include <QLabel>

void TFormMain::wireStatusLine() {
    m_statusLine = new StatusLine(StatusLine::noteMs, this);
    connect(m_statusLine, &StatusLine::changed, this, [this] {
        QLabel* panel = m_ui.StatusBar1->panel(2);
        panel->setToolTip(m_statusLine->hint());
        panel->setStyleSheet(m_statusLine->alarm() ? QStringLiteral("color: #c00000; font-weight: bold;") : QString());
        m_ui.StatusBar1->setPanelText(2, m_statusLine->text());
    });
    connect(m_controller, &RunController::stateChanged, this, &TFormMain::updateTrackState);

    // A split that does not come: said in red, and the Zw.Zeit button flashes.
    m_splitWatch = new SplitWatch(m_ui.SortGrid1->gridData(), this);
    auto* flash = new ButtonFlash(
        m_ui.bZwZeit, QColor(255, 40, 40), [this] { renderRunState(); }, this);
    connect(m_splitWatch, &SplitWatch::overdueChanged, flash, &ButtonFlash::setFlashing);
    connect(m_splitWatch, &SplitWatch::overdueChanged, this, &TFormMain::updateTrackState);
    m_barrierPort->setStatusHandler(
        [this](const QString& text) { m_statusLine->setStanding(StatusLine::Source::Port, text); });
    updateTrackState();
}

void TFormMain::updateTrackState() {
    const RunController& c = *m_controller;
    m_splitWatch->update(c.state(), c.cbFreigabe(), c.settings().LuchZwZeit);
    if (m_splitWatch->overdue()) {
        m_statusLine->setTrackState(SplitWatch::alarmText(), true);
        return;
    }
    const bool afterAccident = m_accidentWatch.update(c.state());
    const QString state = trackStateText(c.state(), afterAccident, m_settings.LuchVmax);
    const QString port = portStateText(m_settings.Port, m_barrierPort->ComPort().Connected());
    m_statusLine->setTrackState(state + QStringLiteral(" · ") + port, false);
}
