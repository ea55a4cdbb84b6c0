// The steps of a run: arming, start, split, speed trap, finish, reset and accident.
// Each step moves the run's state through advance(), which opens and shuts the gates,
// and does its own work: stamps, sounds, the display, the protocol row, the port.

#include "run/run_controller.h"

#include "controls/sort_grid_data.h"
#include "display/display_state.h"
#include "run/run_port.h"
#include "timing/run_time.h"

#include <algorithm>
#include <utility>

// ---- arming -----------------------------------------------------------------

void RunController::Freigabe1Click() {
    // The close below does what a pending close after a finish would do.
    m_timerClose.stop();
    m_port.close();
    // Re-armed while a car is on the track, all four barriers are powered (the run still
    // needs L3 and L4) and the start lamp stays dark.
    if (cbFreigabe() && m_port.portNumber() != 0 && !m_port.open(isRunning(m_status.phase)))
        refuseArming();
    const bool armed = cbFreigabe();
    for (Barrier b : allBarriers)
        setIconPicture(b, armed ? 1 : 0);
    if (finishBarrierOn() == 0)
        invertIconState(Barrier::L4);
    // With a port the light follows the real lamp (ComPortOpen, ComPortClose); without one
    // it shows green while armed and grey while not.
    if (m_port.portNumber() == 0)
        setLight(armed);
}

void RunController::refuseArming() {
    // Barriers without power: the track shows disarmed, so that the next F4 tries again
    // instead of disarming.
    advance(RunEvent::Disarm);
    emit notArmed();
}

void RunController::portLost() {
    Batch batch(*this);
    setCbFreigabe(false);
}

// ---- start ------------------------------------------------------------------

void RunController::startClick(qint64 stamp) {
    if (!mStartEnabled())
        return;
    beginRun(stamp);
    emit layoutRequested();
    m_rows.selectRow(m_rows.runRow(m_runNumber, m_settings.ManyStart));
    play(RunSound::Start);

    if (startBarrierOn() == 1)
        invertIconState(Barrier::L1);
    setIconPicture(Barrier::L1, 0);
    setIconPicture(Barrier::L2, 1);
    setIconPicture(Barrier::L3, 1);
    emit protocolChanged();
    reportEvent(RunEventKind::Start, stamp, m_rows.runRow(m_runNumber, m_settings.ManyStart));
}

void RunController::beginRun(qint64 stamp) {
    // A split or trap given by key before the start belongs to no run.
    m_splitStamp.reset();
    m_trapStamp.reset();
    m_startStamp = stamp;
    advance(RunEvent::Start);
    m_display.showTime(DisplayState::LowerPanel, 0);
    m_runNumber = startNumberText();
    m_rows.beginRow(m_runNumber, m_settings.ManyStart);
    m_handGiven = {};
    // The lower panel shows the split during the run; its caption says so from the start.
    m_display.setLabelTime2(QStringLiteral(" Zwischen Zeit:"));
    emit protocolButtonsUpdateRequested();
}

// ---- split and speed trap ---------------------------------------------------

void RunController::takeSplit(qint64 stamp) {
    // Recorded once per run; outside a run the key only moves the looks.
    if (!m_splitStamp && isRunning(m_status.phase)) {
        m_splitStamp = stamp;
        play(RunSound::Split);
        m_display.showTime(DisplayState::LowerPanel, toMs(stamp - *m_startStamp));
        m_display.setLabelTime2(QStringLiteral(" Zwischen Zeit:"));
        reportEvent(RunEventKind::Split, stamp, m_rows.runRow(m_runNumber, m_settings.ManyStart));
    }
    advance(RunEvent::Split);
    setIconPicture(Barrier::L2, 0);
    setIconPicture(Barrier::L3, 1);
    setIconPicture(Barrier::L4, 1);
    m_timerReOpen.start();
}

void RunController::TimerReOpenTimer() {
    m_timerReOpen.stop();
    m_port.close();
    if (cbFreigabe() && m_port.portNumber() != 0 && !m_port.open(true)) {
        Batch batch(*this);
        setCbFreigabe(false);
        emit notArmed();
    }
}

void RunController::takeTrap(qint64 stamp) {
    if (finishBarrierOn() == 0)
        invertIconState(Barrier::L4);
    // Outside a run the key sounds and lights FINISH, but no run will use its stamp.
    if (isRunning(m_status.phase))
        m_trapStamp = stamp;
    play(RunSound::Vmax);
    advance(RunEvent::Trap);
    setIconPicture(Barrier::L3, 0);
    setIconPicture(Barrier::L4, 1);
    if (isClockRunning())
        reportEvent(RunEventKind::Trap, stamp, m_rows.runRow(m_runNumber, m_settings.ManyStart));
}

// ---- finish -----------------------------------------------------------------

void RunController::stopClick(qint64 stamp) {
    if (!mStopEnabled())
        return;
    finishRun(stamp);
    play(RunSound::Finish);
    m_rows.rank(m_cbPlatzOn, startNumberText());
    // A run whose row was lost during the run got a new one: the protocol may
    // have become saveable.
    emit protocolButtonsUpdateRequested();

    if (finishBarrierOn() == 1)
        invertIconState(Barrier::L4);
    setIconPicture(Barrier::L4, 0);
    emit protocolChanged();
    emit backupRequested();
    reportEvent(RunEventKind::Finish, stamp, m_rows.grid().rowOfId(m_reportRowId));
}

void RunController::finishRun(qint64 stamp) {
    m_finishStamp = stamp;
    advance(RunEvent::Finish);
    const qint64 start = *m_startStamp;
    const qint32 totalMs = toMs(stamp - start);
    m_display.showTime(DisplayState::UpperPanel, totalMs);

    setIconPicture(Barrier::L3, 0);
    if (m_lightState == 1)
        ImageAmpelClick();

    if (m_splitStamp)
        m_splitMs = toMs(*m_splitStamp - start);
    if (m_trapStamp)
        m_trapMs = toMs(stamp - *m_trapStamp);
    const qint32 splitMs = m_splitMs.value_or(0);
    const qint32 trapMs = m_trapMs.value_or(0);

    showFinishResult(totalMs, trapMs);

    const QString nr = runNumberText();
    const int row = m_rows.finishRow(nr, m_settings.ManyStart);
    m_rows.writeResults(row, runResultTexts(totalMs, splitMs, trapMs, m_settings.Length, m_settings.LengthF));
    m_lastFinish = FinishedRun{nr, totalMs, m_rows.grid().rowId(row)};
    m_rows.selectRow(row);
    m_reportRowId = m_rows.grid().rowId(row);
    if (m_handGiven)
        emit handGivenRun(m_rows.grid().rowId(row), m_handGiven);

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
    // Only a reset after a finish picks the next starter; an accident keeps the numbers.
    if (m_finishStamp)
        pickNextStarter();
    for (Barrier b : {Barrier::L2, Barrier::L3, Barrier::L4})
        setIconPicture(b, 0);
    // Every stamp of the run goes; the next run takes its own.
    m_startStamp.reset();
    m_splitStamp.reset();
    m_trapStamp.reset();
    m_finishStamp.reset();
    m_splitMs.reset();
    m_trapMs.reset();
    m_runNumber.clear();
    // A reset always ends disarmed; the disarming steps run as for F4.
    const bool wasArmed = m_status.armed || m_status.disarmedByFinish;
    advance(RunEvent::Reset);
    if (wasArmed)
        Freigabe1Click();
    emit protocolChanged();
}

void RunController::pickNextStarter() {
    Batch batch(*this);
    const NextStarter next = m_rows.nextStarterSearch();
    if (next.startN1)
        setEditStartN1(*next.startN1);
    if (next.startN2)
        setEditStartN2(*next.startN2);
    if (next.startN1)
        return;
    // Every number has a time: the car that was ready comes up, and the number after it.
    // At the end of a list "Bereit" was never moved past the last starter; that number
    // has just run and is not offered again.
    int ready = m_editStartN2;
    if (ready == m_editStartN1)
        ready = std::min(ready + 1, 9999);
    setEditStartN1(ready);
    setEditStartN2(ready + 1);
}

void RunController::accident() {
    m_finishStamp.reset();
    m_port.close();
    const int row = m_rows.markAccident(runNumberText(), m_settings.ManyStart);
    m_reportRowId = m_rows.grid().rowId(row);
    if (row >= 1)
        m_rows.rank(m_cbPlatzOn, startNumberText());
    reportEvent(RunEventKind::Accident, 0, m_rows.grid().rowOfId(m_reportRowId));
    resetRun();
    emit backupRequested();
}

// ---- clock ------------------------------------------------------------------

void RunController::ClockTimer() {
    if (!isClockRunning())
        return;
    m_display.showTime(DisplayState::UpperPanel, msSinceStart(m_readCounter()), true);
}

qint32 RunController::msSinceStart(qint64 counterNow) const {
    return m_startStamp ? toMs(counterNow - *m_startStamp) : 0;
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
    report.startStamp = m_startStamp.value_or(0);
    report.splitStamp = m_splitStamp.value_or(0);
    report.trapStamp = m_trapStamp.value_or(0);
    report.finishStamp = m_finishStamp.value_or(0);
    report.startNumber = kind == RunEventKind::Start ? m_runNumber : runNumberText();
    report.row = row;
    if (row >= 1)
        report.cells = m_rows.grid().rowCells(row);
    m_eventSink(report);
}
