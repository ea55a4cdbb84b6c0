#include "app/run_controller.h"

#include "app/display_state.h"
#include "app/run_port.h"
#include "timing/run_time.h"

#include <QStringList>

namespace {

int clampStartNumber(int value) {
    return qBound(1, value, 9999);
}

} // namespace

// Coalesces the state notifications of one command into one stateChanged().
class RunController::Batch {
public:
    explicit Batch(RunController& c) : m_c(c) { ++m_c.m_batchDepth; }
    ~Batch() {
        if (--m_c.m_batchDepth == 0 && m_c.m_statePending) {
            m_c.m_statePending = false;
            emit m_c.stateChanged();
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    RunController& m_c;
};

QString RunController::cbParam2Text(int index) {
    static const QStringList items = {QStringLiteral("End-Zeit"), QStringLiteral("Max. End-Geschwindigkeit"),
                                      QStringLiteral("Durchschnittsgeschwindigkeit")};
    return items.value(index);
}

RunController::RunController(RunPort& port, SortGridData& grid, DisplayState& display, CounterReader readCounter,
                             double countSpeed, SoundPlayer playSound, QObject* parent)
    : QObject(parent), m_port(port), m_rows(grid), m_display(display), m_readCounter(std::move(readCounter)),
      m_countSpeed(countSpeed), m_playSound(std::move(playSound)) {
    m_clock.setTimerType(Qt::PreciseTimer);
    m_clock.setInterval(clockInterval);
    connect(&m_clock, &QTimer::timeout, this, &RunController::ClockTimer);

    m_timerGesperrtStop.setTimerType(Qt::PreciseTimer);
    m_timerGesperrtStop.setSingleShot(true);
    m_timerGesperrtStop.setInterval(lockoutTag);
    connect(&m_timerGesperrtStop, &QTimer::timeout, this, &RunController::TimerGesperrtTimer);

    for (QTimer* t : {&m_timerReOpen, &m_timerClose}) {
        t->setTimerType(Qt::PreciseTimer);
        t->setSingleShot(true);
        t->setInterval(1);
    }
    connect(&m_timerReOpen, &QTimer::timeout, this, &RunController::TimerReOpenTimer);
    connect(&m_timerClose, &QTimer::timeout, this, &RunController::TimerCloseTimer);
}

void RunController::setSettings(const RunSettings& settings) {
    m_settings = settings;
}

void RunController::probePort() {
    if (m_port.portNumber() == 0)
        return;
    m_port.open(false);
    m_port.close();
}

// ---- commands ---------------------------------------------------------------

void RunController::mFreigabe1Click() {
    setCbFreigabe(!m_cbFreigabe);
}

void RunController::setCbFreigabe(bool checked) {
    if (checked == m_cbFreigabe)
        return;
    Batch batch(*this);
    m_cbFreigabe = checked;
    markChanged();
    Freigabe1Click();
}

void RunController::mStartClick() {
    if (!m_mStartEnabled)
        return;
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    startClick(stamp);
}

void RunController::ZwZeit1Click() {
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    takeSplit(stamp);
}

void RunController::mVmaxClick() {
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    takeTrap(stamp);
}

void RunController::mStopClick() {
    if (!m_mStopEnabled)
        return;
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    stopClick(stamp);
}

void RunController::mResetClick() {
    if (!m_mResetEnabled)
        return;
    Batch batch(*this);
    resetRun();
}

void RunController::mAvariaClick() {
    Batch batch(*this);
    accident();
}

void RunController::TestKeys1Click() {
    Batch batch(*this);
    m_testKeys1Checked = !m_testKeys1Checked;
    markChanged();
}

void RunController::bSTARTMouseDown() {
    if (button(RunButton::bStart).Enabled)
        mStartClick();
}

void RunController::bZwZeitMouseDown() {
    if (button(RunButton::bZwZeit).Enabled)
        ZwZeit1Click();
}

void RunController::bVmaxMouseDown() {
    if (button(RunButton::bVmax).Enabled)
        mVmaxClick();
}

void RunController::bSTOPMouseDown() {
    if (button(RunButton::bStop).Enabled)
        mStopClick();
}

void RunController::bResetClick() {
    if (!button(RunButton::bReset).Enabled)
        return;
    Batch batch(*this);
    resetRun();
}

void RunController::bAVARIAClick() {
    if (button(RunButton::bAvaria).Enabled)
        mAvariaClick();
}

void RunController::ImageLSClick(BarrierIcon icon) {
    Batch batch(*this);
    IconState& s = m_icons[int(icon)];
    s.state = 1 - s.state;
    s.picture = s.state;
    markChanged();
}

void RunController::ImageAmpelClick() {
    if (!m_settings.lightEnabled)
        return;
    Batch batch(*this);
    m_lightState = 1 - m_lightState;
    markChanged();
}

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
    }
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
    play(RunSound::Vmax);
    setButtonState(RunButton::bZwZeit, false);
    setButtonState(RunButton::bVmax, false);
    setIconPicture(BarrierIcon::ImageLSmax, 0);
    setIconPicture(BarrierIcon::ImageLSstop, 1);
    setButtonState(RunButton::bStop, true);
}

// ---- finish -----------------------------------------------------------------

void RunController::stopClick(qint64 stamp) {
    if (!m_mStopEnabled)
        return;
    finishRun(stamp);
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

    // From here on the two hold milliseconds, not counts.
    if (m_splitStamp != 0)
        m_splitStamp = toMs(m_splitStamp - m_startStamp);
    if (m_trapStamp != 0)
        m_trapStamp = toMs(m_finishStamp - m_trapStamp);

    showFinishResult(totalMs);

    const int row = m_rows.finishRow(runNumberText(), m_settings.ManyStart);
    m_rows.writeResults(
        row, runResultTexts(totalMs, qint32(m_splitStamp), qint32(m_trapStamp), m_settings.Length, m_settings.LengthF));
    m_rows.selectRow(row);

    m_bCFGEnabled = true;
    m_timerClose.start();
}

void RunController::showFinishResult(qint32 totalMs) {
    const qint32 trapMs = qint32(m_trapStamp);
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
    m_runNumber.clear();
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
    if (m_rows.markAccident(runNumberText(), m_settings.ManyStart) >= 1)
        m_rows.rank(m_settings.cbPlatzOn, startNumberText());
    resetRun();
    emit backupRequested();
}

// ---- barriers ---------------------------------------------------------------

bool RunController::passesEdgeFilter(quint32 modemStatus, quint32 line, int algIndex) {
    if (modemStatus == m_lastModemStatus)
        return false;
    m_lastModemStatus = modemStatus;
    const int level = (modemStatus & line) != 0 ? 1 : 0;
    return level == m_settings.Alg[algIndex];
}

void RunController::ComPortStart(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, DSR, 0))
        return;
    Batch batch(*this);
    barrierStart(stamp);
}

void RunController::ComPortStartSpeed(qint64 stamp, quint32 modemStatus) {
    // A dead split barrier must not consume the status word another line needs.
    if (!button(RunButton::bZwZeit).Enabled)
        return;
    if (!passesEdgeFilter(modemStatus, RLSD, 1))
        return;
    Batch batch(*this);
    takeSplit(stamp);
}

void RunController::ComPortFinishSpeed(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, CTS, 2))
        return;
    Batch batch(*this);
    barrierTrap(stamp);
}

void RunController::ComPortStop(qint64 stamp, quint32 modemStatus) {
    if (!passesEdgeFilter(modemStatus, RING, 3))
        return;
    Batch batch(*this);
    barrierFinish(stamp);
}

void RunController::barrierStart(qint64 stamp) {
    if (!button(RunButton::bStart).Enabled || isLockoutRunning())
        return;
    startClick(stamp);
    if (m_settings.WaitStart > 0)
        m_timerGesperrtStop.setInterval(m_settings.WaitStart);
    m_timerGesperrtStop.start();
    if (!m_settings.LuchZwZeit)
        takeSplit(stamp);
}

void RunController::barrierTrap(qint64 stamp) {
    if (!isLockoutRunning() && m_clockOn)
        takeTrap(stamp);
}

void RunController::barrierFinish(qint64 stamp) {
    if (!button(RunButton::bStop).Enabled || finishBarrierOn() == 0 || isLockoutRunning())
        return;
    stopClick(stamp);
    m_timerGesperrtStop.start();
}

void RunController::TimerGesperrtTimer() {
    Batch batch(*this);
    m_timerGesperrtStop.stop();
    // Only a start lock-out of its own length re-opens the finish barrier.
    if (m_timerGesperrtStop.interval() != lockoutTag && finishBarrierOn() == 0)
        ImageLSClick(BarrierIcon::ImageLSstop);
    m_timerGesperrtStop.setInterval(lockoutTag);
}

// ---- port notifications -----------------------------------------------------

void RunController::ComPortOpen(bool rtsCts) {
    Batch batch(*this);
    setIconVisible(BarrierIcon::ImageLSstart, true);
    if (m_settings.LuchZwZeit)
        setIconVisible(BarrierIcon::ImageLSreakt, true);
    if (rtsCts) {
        setIconVisible(BarrierIcon::ImageLSstop, true);
        if (m_settings.LuchVmax)
            setIconVisible(BarrierIcon::ImageLSmax, true);
    } else {
        setIconVisible(BarrierIcon::ImageLSstop, false);
    }
}

void RunController::ComPortClose() {
    Batch batch(*this);
    for (int i = 0; i < barrierIconCount; ++i)
        setIconVisible(BarrierIcon(i), false);
}

void RunController::updateIconsAfterSettings() {
    Batch batch(*this);
    if (icon(BarrierIcon::ImageLSstart).visible)
        setIconVisible(BarrierIcon::ImageLSmax, m_settings.LuchVmax);
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

// ---- fields -----------------------------------------------------------------

void RunController::setEditStartN1(int value) {
    value = clampStartNumber(value);
    if (value == m_editStartN1)
        return;
    Batch batch(*this);
    m_editStartN1 = value;
    m_display.setLabStart1(QStringLiteral(" Start-Nr.:") + QString::number(value));
    markChanged();
}

void RunController::setEditStartN2(int value) {
    value = clampStartNumber(value);
    if (value == m_editStartN2)
        return;
    Batch batch(*this);
    m_editStartN2 = value;
    m_display.setLabNext1(QStringLiteral("Bereit: ") + QString::number(value) + QLatin1Char(' '));
    markChanged();
}

void RunController::setParam2(int index) {
    // An index from a damaged settings file falls back to the first item.
    if (index < 0 || index > 2)
        index = 0;
    if (index == m_param2)
        return;
    Batch batch(*this);
    m_param2 = index;
    markChanged();
}

void RunController::cbParam2Change(int index) {
    Batch batch(*this);
    setParam2(index);
    m_display.setLabelTime2(QLatin1Char(' ') + cbParam2Text(m_param2) + QLatin1Char(':'));
}

// ---- state ------------------------------------------------------------------

RunState RunController::state() const {
    if (m_clockOn) {
        if (!button(RunButton::bVmax).Enabled)
            return RunState::RunningInTrap;
        if (!button(RunButton::bZwZeit).Enabled)
            return RunState::RunningSplitTaken;
        return RunState::RunningSplitPending;
    }
    if (m_mResetEnabled && button(RunButton::bReset).Enabled)
        return RunState::Finished;
    return m_cbFreigabe ? RunState::Armed : RunState::Idle;
}

void RunController::setButtonState(RunButton b, bool enabled) {
    ButtonLook& look = m_buttons[int(b)];
    look.Enabled = enabled;
    if (!enabled) {
        look.Color = RunColour::clBtnFace;
        look.LightColor = RunColour::clBtnShadow;
        look.ShadowColor = RunColour::clNone;
    } else {
        switch (b) {
        case RunButton::bStart:
            look.Color = 0x008000;
            look.LightColor = 0xC0FFC0;
            look.ShadowColor = 0x00C000;
            break;
        case RunButton::bStop:
            look.Color = 0x0000FF;
            look.LightColor = 0x9090FF;
            look.ShadowColor = 0x0000C0;
            break;
        case RunButton::bReset:
            look.Color = 0x808080;
            look.LightColor = 0x000000;
            break;
        case RunButton::bAvaria:
            look.Color = 0x008080;
            look.LightColor = 0x00FFFF;
            break;
        case RunButton::bZwZeit:
            look.Color = 0x01BEB0;
            look.LightColor = 0x004A4A;
            break;
        case RunButton::bVmax:
            look.Color = 0x0473AE;
            look.LightColor = 0x002346;
            break;
        }
    }
    markChanged();
}

void RunController::setIconPicture(BarrierIcon i, int picture) {
    m_icons[int(i)].picture = picture;
    markChanged();
}

void RunController::setIconVisible(BarrierIcon i, bool visible) {
    m_icons[int(i)].visible = visible;
    markChanged();
}

QString RunController::runNumberText() const {
    return m_runNumber.isEmpty() ? startNumberText() : m_runNumber;
}

qint32 RunController::toMs(qint64 delta) const {
    return ticksToMs(delta, m_countSpeed);
}

void RunController::play(RunSound sound) {
    if (m_playSound)
        m_playSound(sound);
}

void RunController::markChanged() {
    if (m_batchDepth > 0)
        m_statePending = true;
    else
        emit stateChanged();
}
