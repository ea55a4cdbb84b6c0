// The run controller: the state of a timed run and the steps that move it, without a window.

#pragma once

#include "io/barrier_wiring.h"
#include "run/run_event_report.h"
#include "run/run_rows.h"
#include "run/run_state.h"
#include "settings/settings.h"
#include "timing/counter_reader.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>

#include <array>
#include <functional>
#include <optional>

class DisplayState;
class RunPort;
class SortGridData;

// The four signal sounds; the owner maps them to its sound files.
enum class RunSound { Start, Split, Vmax, Finish };

// The run buttons whose state the controller shows (bFreigabe is always enabled).
enum class RunButton { bStart, bZwZeit, bVmax, bStop, bReset, bAvaria };

// The events of a run the official gave by key or button rather than a barrier.
enum class HandGiven : quint8 { Start = 1, Split = 2, Trap = 4, Finish = 8 };
Q_DECLARE_FLAGS(HandGivenEvents, HandGiven)
Q_DECLARE_OPERATORS_FOR_FLAGS(HandGivenEvents)

// What a finish recorded of its run, once: the number it started under, its time and the
// identity of the row it filled (SortGridData::rowId), which follows the row through sorts.
struct FinishedRun {
    QString nr;
    qint32 totalMs = 0;
    quint64 rowId = 0;
};

// Colours are 0x00BBGGRR. The two system colours and "none" use the values the
// button control knows; the window maps clBtnFace/clBtnShadow to its palette.
namespace RunColour {
inline constexpr quint32 clBtnFace = 0xFF00000F;
inline constexpr quint32 clBtnShadow = 0xFF000010;
inline constexpr quint32 clNone = 0x1FFFFFFF;
} // namespace RunColour

struct ButtonLook {
    bool Enabled = false;
    quint32 Color = RunColour::clBtnFace;
    quint32 LightColor = RunColour::clBtnShadow;
    quint32 ShadowColor = RunColour::clNone;

    friend bool operator==(const ButtonLook&, const ButtonLook&) = default;
};

// A barrier icon: its On/Off state, the picture shown (0 red Off, 1 green On),
// whether it is shown (a port is chosen and the barrier fitted) and whether its line
// is powered now (drawn dimmed when not). The barrier gives events only while its
// picture shows On; F11, F12 and a click turn what is shown.
struct IconState {
    int state = 0;
    int picture = 0;
    bool visible = false;
    bool powered = false;

    friend bool operator==(const IconState&, const IconState&) = default;
};

// The run controller: the life of one timed run from release to reset. It
// stamps the barrier and key events, decides which commands are open, powers
// the barriers through the port, fills the run's protocol row and drives the
// display state. The main window forwards keys, buttons, port events and timer
// ticks here and renders what it finds; stateChanged() says when to look.
//
// The run's state (run_state.h) is held here and moved only through advance();
// every gate (menu items, buttons, fields, the clock) follows from it. The icons'
// pictures are what each step sets for the window.
//
// Gate rule: every command does nothing while its menu item or button is
// disabled, whichever way it arrives. Barrier-given events use the stamp their
// event carries; key and button commands read the counter as their first act.
// Port closes and reopens asked for by a barrier event are deferred to the
// 1 ms timers, never done inside the event.
//
// GUI thread only; the QTimers need a running event loop. Tests call the timer
// handlers themselves instead of waiting.
class RunController : public QObject {
    Q_OBJECT

public:
    using SoundPlayer = std::function<void(RunSound)>;

    // The lock-out's own length (its Tag), used unless "WaitStart" sets one for a start.
    static constexpr int lockoutTag = 200;
    static constexpr int clockInterval = 6;

    // The result selector's items, by index.
    static QString cbParam2Text(int index);

    RunController(RunPort& port, SortGridData& grid, DisplayState& display, EventCounterReader readCounter,
                  double countSpeed, SoundPlayer playSound, QObject* parent = nullptr);

    // The settings the run reads (lengths, start mode, barriers fitted, levels, lock-out,
    // traffic light).
    void setSettings(const Settings& settings);
    const Settings& settings() const { return m_settings; }
    // The hidden "Rang o. Rank" switch: rank (checked) or empty "Platz"; the program never
    // changes it.
    bool cbPlatzOn() const { return m_cbPlatzOn; }
    // Who hears of each event of a run (the journal); empty: nobody.
    void setEventSink(RunEventSink sink) { m_eventSink = std::move(sink); }

    // Start-up: opens the port without handshaking and closes it at once.
    void probePort();

    // Commands (menu items and their keys).
    void mFreigabe1Click();                                 // F4
    void mStartClick();                                     // F5, while mStart is enabled
    void ZwZeit1Click();                                    // F6
    void mVmaxClick();                                      // F7
    void mStopClick();                                      // F8, while mStop is enabled
    void mResetClick();                                     // F9, while mReset is enabled
    void mAvariaClick();                                    // F10
    void mLockStartLSClick() { ImageLSClick(Barrier::L1); } // F11
    void mLockStoppLSClick() { ImageLSClick(Barrier::L4); } // F12
    void TestKeys1Click();                                  // Ctrl+1

    // Buttons and pictures, the window's only way to the run commands besides the
    // menu items. A disabled button does nothing; an enabled one then goes through
    // its menu item's gate as well.
    void bFreigabeClick() { mFreigabe1Click(); }
    void bSTARTMouseDown();
    void bZwZeitMouseDown();
    void bVmaxMouseDown();
    void bSTOPMouseDown();
    void bResetClick();
    void bAVARIAClick();
    // F11, F12 and a click on an icon: turns what the icon shows, and so whether the
    // barrier gives events.
    void ImageLSClick(Barrier barrier);
    void ImageAmpelClick();

    // The check box itself: a change runs the arming (Freigabe1Click).
    void setCbFreigabe(bool checked);
    bool cbFreigabe() const { return gates().cbFreigabe; }

    // Barrier events with the counter stamp and modem-status word taken at
    // the watcher's wake-up.
    void ComPortStart(qint64 stamp, quint32 modemStatus);       // L1, DSR
    void ComPortStartSpeed(qint64 stamp, quint32 modemStatus);  // L2, RLSD
    void ComPortFinishSpeed(qint64 stamp, quint32 modemStatus); // L3, CTS
    void ComPortStop(qint64 stamp, quint32 modemStatus);        // L4, RING
    // Port notifications: icon visibility.
    void ComPortOpen(bool rtsCts);
    void ComPortClose();
    // The port's device went away and was closed: the track shows disarmed, so that one F4
    // opens it again.
    void portLost();
    // After the settings dialog: L3 follows LuchVmax while L1 is shown.
    void updateIconsAfterSettings();

    // Timer handlers, called by the timers (and by tests).
    void ClockTimer();
    void TimerGesperrtTimer();
    void TimerReOpenTimer();
    void TimerCloseTimer();

    // Start numbers (spin edits, clamped to 1..9999) and the result selector.
    // A change during a run (a protocol load) does not move the run to
    // another row: the run keeps the number it started under.
    void setEditStartN1(int value);
    void setEditStartN2(int value);
    int editStartN1() const { return m_editStartN1; }
    int editStartN2() const { return m_editStartN2; }
    QString startNumberText() const { return QString::number(m_editStartN1); }
    bool editStartN1Enabled() const { return gates().editStartN1; }
    // The next starter as F9 picks it: the first row without a "Zeit" whose number converts
    // and has no time in another row, and the next such number below it; when every number
    // has a time, "Bereit" moves up to
    // "Start-Nr." and "Bereit" takes the number after it.
    void pickNextStarter();
    // Selector change by the user: also sets the spectator caption.
    void cbParam2Change(int index);
    // Selector value from the settings, without touching the caption.
    void setParam2(int index);
    int cbParam2ItemIndex() const { return m_param2; }

    // What the window renders: the state, and the gates that follow from it.
    RunState state() const { return runState(m_status); }
    const RunStatus& status() const { return m_status; }
    RunGates gates() const { return runGates(m_status); }
    bool mStartEnabled() const { return gates().mStart; }
    bool mStopEnabled() const { return gates().mStop; }
    bool mResetEnabled() const { return gates().mReset; }
    bool bCFGEnabled() const { return gates().bCFG; }
    bool TestKeys1Checked() const { return m_testKeys1Checked; }
    ButtonLook button(RunButton b) const;
    const IconState& icon(Barrier b) const { return m_icons[barrierIndex(b)]; }
    int startBarrierOn() const { return icon(Barrier::L1).state; }
    int finishBarrierOn() const { return icon(Barrier::L4).state; }
    int lightState() const { return m_lightState; }
    bool isClockRunning() const { return gates().clock; }

    // Run data, for the window's other parts and for tests: the counter stamps of the
    // run's events (none until taken; all go at a reset, and a trap given by key outside
    // a run is never one), and the finished run's split and trap times in ms (none when
    // not taken).
    std::optional<qint64> startStamp() const { return m_startStamp; }
    std::optional<qint64> splitStamp() const { return m_splitStamp; }
    std::optional<qint64> trapStamp() const { return m_trapStamp; }
    std::optional<qint64> finishStamp() const { return m_finishStamp; }
    std::optional<qint32> splitMs() const { return m_splitMs; }
    std::optional<qint32> trapMs() const { return m_trapMs; }
    bool splitPending() const { return !m_splitStamp; }
    // The last finished run, kept through resets until the next finish.
    const std::optional<FinishedRun>& lastFinish() const { return m_lastFinish; }
    // The running time in ms at the counter reading `counterNow`; 0 before any start.
    qint32 msSinceStart(qint64 counterNow) const;
    quint32 lastModemStatus() const { return m_lastModemStatus; }
    bool isLockoutRunning() const { return m_timerGesperrtStop.isActive(); }
    // Whether a barrier edge stamped `stamp` falls into the lock-out. Judged by the stamps, not
    // by the timer: a GUI thread held up past the lock-out must not lose the edges after it.
    bool lockedOutAt(qint64 stamp) const { return stamp < m_lockoutUntil; }
    int lockoutInterval() const { return m_timerGesperrtStop.interval(); }
    bool isReOpenPending() const { return m_timerReOpen.isActive(); }
    bool isClosePending() const { return m_timerClose.isActive(); }

signals:
    // Buttons, menu items, icons, light, start numbers or fields changed.
    void stateChanged();
    // The controller wrote protocol cells or the selection.
    void protocolChanged();
    // Re-lay out the protocol columns (the window's resize rule).
    void layoutRequested();
    // Re-evaluate the protocol tool buttons.
    void protocolButtonsUpdateRequested();
    // A finish or an accident changed the protocol: write the backup now.
    void backupRequested();
    // Arming, or the reopen after the split, could not open the port: the track is not armed.
    void notArmed();
    // A finished run had events given by hand: its row (SortGridData::rowId) and which.
    void handGivenRun(quint64 rowId, HandGivenEvents events);

private:
    void Freigabe1Click();
    void refuseArming();
    void startClick(qint64 stamp);
    void stopClick(qint64 stamp);
    void beginRun(qint64 stamp);
    void takeSplit(qint64 stamp);
    void takeTrap(qint64 stamp);
    void finishRun(qint64 stamp);
    void resetRun();
    void accident();
    void barrierStart(qint64 stamp);
    void barrierTrap(qint64 stamp);
    void barrierFinish(qint64 stamp);
    bool passesEdgeFilter(quint32 modemStatus, Barrier barrier);

    void advance(RunEvent event);
    // The traffic-light picture to lit or grey (nothing while it is not in use).
    void setLight(bool lit);
    void setIconPicture(Barrier b, int picture);
    void setIconVisible(Barrier b, bool visible);
    void setIconPowered(Barrier b, bool powered);
    // The steps' own switch of an icon's On/Off state, the picture following the state.
    void invertIconState(Barrier barrier);
    bool showsOn(Barrier b) const { return m_icons[barrierIndex(b)].picture == 1; }
    // Shown while a port is chosen, each fitted barrier, powered or not.
    void updateIconVisibility();
    // What the lock-out timer runs for: which edge started it decides what its end does.
    enum class Lockout { None, AfterStart, AfterFinish };
    void startLockout(Lockout kind, qint64 stamp);
    // Runs the lock-out timer's end now when an edge stamped `stamp` lies past it.
    void endLockoutBefore(qint64 stamp);
    void showFinishResult(qint32 totalMs, qint32 trapMs);
    qint32 toMs(qint64 delta) const;
    void play(RunSound sound);
    void markChanged();
    QString runNumberText() const;
    void reportEvent(RunEventKind kind, qint64 stamp, int row);

    // Coalesces the state notifications of one command into one stateChanged().
    class Batch {
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

    RunPort& m_port;
    RunRows m_rows;
    DisplayState& m_display;
    EventCounterReader m_readCounter;
    double m_countSpeed;
    SoundPlayer m_playSound;
    Settings m_settings;
    bool m_cbPlatzOn = true;

    // The number the run started under: its row is that number's row, even if
    // the field changes during the run (a protocol load sets it). Empty between
    // a reset and the next start.
    QString m_runNumber;

    RunStatus m_status;

    std::optional<qint64> m_startStamp;
    std::optional<qint64> m_splitStamp;
    std::optional<qint64> m_trapStamp;
    std::optional<qint64> m_finishStamp;
    // The finished run's split time (start to split) and trap time (L3 to finish), of
    // the stamps taken; set at the finish.
    std::optional<qint32> m_splitMs;
    std::optional<qint32> m_trapMs;
    HandGivenEvents m_handGiven;
    std::optional<FinishedRun> m_lastFinish;
    quint32 m_lastModemStatus = 0x55555555;
    Lockout m_lockout = Lockout::None;
    // Barrier edges stamped before this count are locked out; 0 before the first lock-out.
    qint64 m_lockoutUntil = 0;

    bool m_testKeys1Checked = false;
    std::array<IconState, barrierCount> m_icons{};
    int m_lightState = 0;

    int m_editStartN1 = 1;
    int m_editStartN2 = 2;
    int m_param2 = 0;

    RunEventSink m_eventSink;
    // The barrier whose event is being handled ("L1" to "L4"); empty while a key's command runs.
    QString m_eventBarrier;
    // The finished or marked run's row, followed through the ranking for the report.
    quint64 m_reportRowId = 0;

    int m_batchDepth = 0;
    bool m_statePending = false;

    QTimer m_clock;
    QTimer m_timerGesperrtStop;
    QTimer m_timerReOpen;
    QTimer m_timerClose;
};
