// The run controller's commands, buttons, icons, start numbers and the states it shows.

#include "run/run_controller.h"

#include "display/display_state.h"
#include "run/run_port.h"
#include "timing/run_time.h"

#include <QStringList>

namespace {

int clampStartNumber(int value) {
    return qBound(1, value, 9999);
}

} // namespace

QString RunController::cbParam2Text(int index) {
    static const QStringList items = {QStringLiteral("End-Zeit"), QStringLiteral("Max. End-Geschwindigkeit"),
                                      QStringLiteral("Durchschnittsgeschwindigkeit")};
    return items.value(index);
}

RunController::RunController(RunPort& port, SortGridData& grid, DisplayState& display, EventCounterReader readCounter,
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

void RunController::setSettings(const Settings& settings) {
    Batch batch(*this);
    m_settings = settings;
    updateIconVisibility();
}

void RunController::probePort() {
    Batch batch(*this);
    // The port is known from here on: its icons are shown, unpowered.
    updateIconVisibility();
    if (m_port.portNumber() == 0)
        return;
    m_port.open(false);
    m_port.close();
}

// ---- commands ---------------------------------------------------------------

void RunController::mFreigabe1Click() {
    setCbFreigabe(!cbFreigabe());
}

void RunController::setCbFreigabe(bool checked) {
    if (checked == cbFreigabe())
        return;
    Batch batch(*this);
    advance(checked ? RunEvent::Arm : RunEvent::Disarm);
    Freigabe1Click();
}

void RunController::mStartClick() {
    if (!mStartEnabled())
        return;
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    startClick(stamp);
    if (isRunning(m_status.phase) && m_startStamp == stamp)
        m_handGiven |= HandGiven::Start;
}

void RunController::ZwZeit1Click() {
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    takeSplit(stamp);
    if (isRunning(m_status.phase) && m_splitStamp == stamp)
        m_handGiven |= HandGiven::Split;
}

void RunController::mVmaxClick() {
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    takeTrap(stamp);
    if (isRunning(m_status.phase))
        m_handGiven |= HandGiven::Trap;
}

void RunController::mStopClick() {
    if (!mStopEnabled())
        return;
    const qint64 stamp = m_readCounter();
    Batch batch(*this);
    // Known before the finish writes the row, which tells the marks.
    m_handGiven |= HandGiven::Finish;
    stopClick(stamp);
}

void RunController::mResetClick() {
    if (!mResetEnabled())
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
    if (button(RunButton::bReset).Enabled)
        mResetClick();
}

void RunController::bAVARIAClick() {
    if (button(RunButton::bAvaria).Enabled)
        mAvariaClick();
}

void RunController::ImageLSClick(Barrier barrier) {
    // The official turns what he sees: an icon shown On goes Off, whatever the steps of
    // the run set its state to.
    Batch batch(*this);
    IconState& s = m_icons[barrierIndex(barrier)];
    s.picture = 1 - s.picture;
    s.state = s.picture;
    markChanged();
}

void RunController::invertIconState(Barrier barrier) {
    Batch batch(*this);
    IconState& s = m_icons[barrierIndex(barrier)];
    s.state = 1 - s.state;
    s.picture = s.state;
    markChanged();
}

void RunController::setLight(bool lit) {
    if (m_lightState != (lit ? 1 : 0))
        ImageAmpelClick();
}

void RunController::ImageAmpelClick() {
    if (!m_settings.lightEnabled)
        return;
    Batch batch(*this);
    m_lightState = 1 - m_lightState;
    markChanged();
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

// ---- state and looks --------------------------------------------------------

void RunController::advance(RunEvent event) {
    const RunStatus next = nextRunStatus(m_status, event);
    if (next == m_status)
        return;
    m_status = next;
    // The running clock is a gate like the others: it ticks exactly while a run runs.
    if (!gates().clock)
        m_clock.stop();
    else if (!m_clock.isActive())
        m_clock.start();
    markChanged();
}

ButtonLook RunController::button(RunButton b) const {
    // Each button's gate and its colours when enabled, in RunButton order.
    struct Lit {
        bool RunGates::*gate;
        ButtonLook look;
    };
    static constexpr std::array<Lit, 6> lit{{
        {&RunGates::bStart, {true, 0x008000, 0xC0FFC0, 0x00C000}},
        {&RunGates::bZwZeit, {true, 0x01BEB0, 0x004A4A, RunColour::clNone}},
        {&RunGates::bVmax, {true, 0x0473AE, 0x002346, RunColour::clNone}},
        {&RunGates::bStop, {true, 0x0000FF, 0x9090FF, 0x0000C0}},
        {&RunGates::bReset, {true, 0x808080, 0x000000, RunColour::clNone}},
        {&RunGates::bAvaria, {true, 0x008080, 0x00FFFF, RunColour::clNone}},
    }};
    const Lit& button = lit[std::size_t(b)];
    return gates().*button.gate ? button.look : ButtonLook{};
}

void RunController::setIconPicture(Barrier b, int picture) {
    m_icons[barrierIndex(b)].picture = picture;
    markChanged();
}

void RunController::setIconVisible(Barrier b, bool visible) {
    m_icons[barrierIndex(b)].visible = visible;
    markChanged();
}

void RunController::setIconPowered(Barrier b, bool powered) {
    m_icons[barrierIndex(b)].powered = powered;
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
