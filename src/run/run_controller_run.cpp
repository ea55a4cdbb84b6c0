// The steps of a run: arming, start, split, speed trap, finish, reset and accident.
// Each step sets the buttons, icons and fields it opens or shuts, and moves the
// run's state through advance().

#include "run/run_controller.h"

#include "controls/sort_grid_data.h"
#include "display/display_state.h"
#include "run/run_port.h"
#include "timing/run_time.h"

// ---- arming -----------------------------------------------------------------

void RunController::Freigabe1Click() {
    const int armed = m_cbFreigabe ? 1 : 0;
    for (int i = 0; i < barrierIconCount; ++i)
        setIconPicture(BarrierIcon(i), armed);
    setButtonState(RunButton::bStart, armed);
    // The close below does what a pending close after a finish would do.
    m_timerClose.stop();
    m_port.close();
    if (armed && m_port.portNumber() != 0)
        m_port.open(false);
    if (finishBarrierOn() == 0)
        ImageLSClick(BarrierIcon::ImageLSstop);
    if (m_lightState != (button(RunButton::bStart).Enabled ? 1 : 0))
        ImageAmpelClick();
}

// ---- start ------------------------------------------------------------------

void RunController::startClick(qint64 stamp) {
    if (!m_mStartEnabled)
        return;
    beginRun(stamp);
    advance(RunEvent::Start);
    emit layoutRequested();
    m_rows.selectRow(m_rows.runRow(m_runNumber, m_settings.ManyStart));
    play(RunSound::Start);

    m_mStartEnabled = false;
    setButtonState(RunButton::bStart, false);
    setButtonState(RunButton::bAvaria, true);
    if (startBarrierOn() == 1)
        ImageLSClick(BarrierIcon::ImageLSstart);
    m_mStopEnabled = true;
    setButtonState(RunButton::bStop, true);
    setButtonState(RunButton::bReset, false);
    m_mResetEnabled = false;
    setButtonState(RunButton::bZwZeit, true);
    setButtonState(RunButton::bVmax, true);
    setIconPicture(BarrierIcon::ImageLSstart, 0);
    setIconPicture(BarrierIcon::ImageLSreakt, 1);
    setIconPicture(BarrierIcon::ImageLSmax, 1);
    markChanged();
    emit protocolChanged();
    reportEvent(RunEventKind::Start, stamp, m_rows.runRow(m_runNumber, m_settings.ManyStart));
}

void RunController::beginRun(qint64 stamp) {
    m_startStamp = stamp;
    setClock(true);
    m_editStartN1Enabled = false;
    m_display.showTime(DisplayState::LowerPanel, 0);
    m_runNumber = startNumberText();
    m_rows.beginRow(m_runNumber, m_settings.ManyStart);
    m_display.setLabelTime2(QString());
    emit protocolButtonsUpdateRequested();
    m_bCFGEnabled = false;
}

// ---- split and speed trap ---------------------------------------------------

void RunController::takeSplit(qint64 stamp) {
    if (m_splitPending && m_clockOn) {
        m_splitStamp = stamp;
        play(RunSound::Split);
        m_splitPending = false;
        m_display.showTime(DisplayState::LowerPanel, toMs(m_splitStamp - m_startStamp));
        m_display.setLabelTime2(QStringLiteral(" Zwischen Zeit:"));
        reportEvent(RunEventKind::Split, stamp, m_rows.runRow(m_runNumber, m_settings.ManyStart));
    }
    advance(RunEvent::Split);
    setButtonState(RunButton::bZwZeit, false);
    setIconPicture(BarrierIcon::ImageLSreakt, 0);
    setIconPicture(BarrierIcon::ImageLSmax, 1);
    setIconPicture(BarrierIcon::ImageLSstop, 1);
    setButtonState(RunButton::bVmax, true);
    m_timerReOpen.start();
}

void RunController::TimerReOpenTimer() {
    m_timerReOpen.stop();
    m_port.close();
    if (m_cbFreigabe && m_port.portNumber() != 0)
        m_port.open(true);
}

void RunController::takeTrap(qint64 stamp) {
    if (finishBarrierOn() == 0)
        ImageLSClick(BarrierIcon::ImageLSstop);
    m_trapStamp = stamp;
    m_trapMs.reset();
    play(RunSound::Vmax);
    advance(RunEvent::Trap);
    setButtonState(RunButton::bZwZeit, false);
    setButtonState(RunButton::bVmax, false);
    setIconPicture(BarrierIcon::ImageLSmax, 0);
    setIconPicture(BarrierIcon::ImageLSstop, 1);
    setButtonState(RunButton::bStop, true);
    if (m_clockOn)
        reportEvent(RunEventKind::Trap, stamp, m_rows.runRow(m_runNumber, m_settings.ManyStart));
}

// ---- finish -----------------------------------------------------------------

void RunController::stopClick(qint64 stamp) {
    if (!m_mStopEnabled)
        return;
    finishRun(stamp);
    advance(RunEvent::Finish);
    play(RunSound::Finish);
    m_rows.rank(m_settings.cbPlatzOn, startNumberText());
    // A run whose row was lost during the run got a new one: the protocol may
    // have become saveable.
    emit protocolButtonsUpdateRequested();

    m_mStopEnabled = false;
    setButtonState(RunButton::bStop, false);
    setButtonState(RunButton::bAvaria, false);
    if (finishBarrierOn() == 1)
        ImageLSClick(BarrierIcon::ImageLSstop);
    setButtonState(RunButton::bReset, true);
    m_mResetEnabled = true;
    setIconPicture(BarrierIcon::ImageLSstop, 0);
    markChanged();
    emit protocolChanged();
    emit backupRequested();
    reportEvent(RunEventKind::Finish, stamp, m_rows.grid().rowOfId(m_reportRowId));
}

void RunController::finishRun(qint64 stamp) {
    m_finishStamp = stamp;
    setClock(false);
    const qint32 totalMs = toMs(m_finishStamp - m_startStamp);
    m_display.showTime(DisplayState::UpperPanel, totalMs);

    setButtonState(RunButton::bZwZeit, false);
    setButtonState(RunButton::bVmax, false);
    setIconPicture(BarrierIcon::ImageLSmax, 0);
    if (m_lightState == 1)
        ImageAmpelClick();

    if (m_splitStamp != 0)
        m_splitMs = toMs(m_splitStamp - m_startStamp);
    if (m_trapStamp != 0)
        m_trapMs = toMs(m_finishStamp - m_trapStamp);
    const qint32 splitMs = m_splitMs.value_or(0);
    const qint32 trapMs = m_trapMs.value_or(0);

    showFinishResult(totalMs, trapMs);

    const int row = m_rows.finishRow(runNumberText(), m_settings.ManyStart);
    m_rows.writeResults(row, runResultTexts(totalMs, splitMs, trapMs, m_settings.Length, m_settings.LengthF));
    m_rows.selectRow(row);
    m_reportRowId = m_rows.grid().rowId(row);

    m_bCFGEnabled = true;
    m_timerClose.start();
}

void RunController::showFinishResult(qint32 totalMs, qint32 trapMs) {
    if (trapMs > 0) {
        if (m_param2 == 0) {
            m_display.showTime(DisplayState::LowerPanel, trapMs);
        } else if (m_param2 == 1) {
            m_display.showTime(DisplayState::LowerPanel, trapSpeedDisplayValue(m_settings.LengthF, trapMs));
            m_display.hideDigit20();
        }
    }
    m_display.setLabelTime2(QLatin1Char(' ') + cbParam2Text(m_param2) + QLatin1Char(':'));
    if (m_param2 == 2 || trapMs <= 0) {
        m_display.showTime(DisplayState::LowerPanel, averageSpeedDisplayValue(m_settings.Length, totalMs));
        m_display.hideDigit20();
        m_display.setLabelTime2(QLatin1Char(' ') + cbParam2Text(2) + QLatin1Char(':'));
    }
}

void RunController::TimerCloseTimer() {
    m_timerClose.stop();
    m_port.close();
}

// ---- reset and accident -----------------------------------------------------

void RunController::resetRun() {
    m_display.reset();
    if (m_finishStamp != 0) {
        const NextStarter next = m_rows.nextStarterSearch();
        if (next.startN1)
            setEditStartN1(*next.startN1);
        if (next.startN2)
            setEditStartN2(*next.startN2);
    }
    m_splitPending = true;
    m_editStartN1Enabled = true;
    m_finishStamp = m_startStamp;

    m_mStartEnabled = true;
    for (RunButton b : {RunButton::bStart, RunButton::bReset, RunButton::bZwZeit, RunButton::bVmax, RunButton::bStop})
        setButtonState(b, false);
    m_mResetEnabled = false;
    m_bCFGEnabled = true;
    for (BarrierIcon i : {BarrierIcon::ImageLSreakt, BarrierIcon::ImageLSmax, BarrierIcon::ImageLSstop})
        setIconPicture(i, 0);
    m_splitStamp = 0;
    m_trapStamp = 0;
    m_splitMs.reset();
    m_trapMs.reset();
    m_runNumber.clear();
    advance(RunEvent::Reset);
    setCbFreigabe(false);
    markChanged();
    emit protocolChanged();
}

void RunController::accident() {
    setClock(false);
    setButtonState(RunButton::bAvaria, false);
    m_mStopEnabled = false;
    m_finishStamp = 0;
    m_port.close();
    m_editStartN1Enabled = true;
    const int row = m_rows.markAccident(runNumberText(), m_settings.ManyStart);
    m_reportRowId = m_rows.grid().rowId(row);
    if (row >= 1)
        m_rows.rank(m_settings.cbPlatzOn, startNumberText());
    reportEvent(RunEventKind::Accident, 0, m_rows.grid().rowOfId(m_reportRowId));
    resetRun();
    emit backupRequested();
}

// ---- clock ------------------------------------------------------------------

void RunController::ClockTimer() {
    if (!m_clockOn)
        return;
    m_display.showTime(DisplayState::UpperPanel, toMs(m_readCounter() - m_startStamp), true);
}

void RunController::setClock(bool on) {
    m_clockOn = on;
    if (on)
        m_clock.start();
    else
        m_clock.stop();
}

// ---- journal ----------------------------------------------------------------

void RunController::reportEvent(RunEventKind kind, qint64 stamp, int row) {
    if (!m_eventSink)
        return;
    static constexpr const char* keys[] = {"F5", "F6", "F7", "F8", "F10"};
    RunEventReport report;
    report.kind = kind;
    report.source = m_eventBarrier.isEmpty() ? QString::fromLatin1(keys[int(kind)]) : m_eventBarrier;
    report.stamp = stamp;
    report.startStamp = m_startStamp;
    report.splitStamp = m_splitStamp;
    report.trapStamp = m_trapStamp;
    report.finishStamp = m_finishStamp;
    report.startNumber = kind == RunEventKind::Start ? m_runNumber : runNumberText();
    report.row = row;
    if (row >= 1)
        report.cells = m_rows.grid().rowCells(row);
    m_eventSink(report);
}
