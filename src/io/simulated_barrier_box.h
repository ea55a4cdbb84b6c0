// The barrier box behind COM64, wired as on the track, so that the program can be tried and
// tested without a serial port or barriers.

#pragma once

#include "io/com_types.h"
#include "io/serial_system.h"

#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>
#include <thread>

class QTimer;

// The loopback plug of the adapter test in place of the barriers: RTS to CTS, DTR to DSR, RLSD
// and RING. Each input follows its output `delayUs` plus up to `jitterUs` later, in order. With
// `loseAfter` n > 0, the n-th input change from now is lost: that input keeps its level, so the
// change back is not seen either, as when an adapter drops a status change.
struct LoopbackPlug {
    bool plugged = false;
    int delayUs = 0;
    int jitterUs = 0;
    int loseAfter = 0;
    friend bool operator==(const LoopbackPlug&, const LoopbackPlug&) = default;
};

class SimulatorServer;

// Levels of the box's lines as a port would see them.
struct SimulatedLines {
    bool open = false; // a port holds the box
    bool dtr = false;
    bool rts = false;
    bool dsr = false;
    bool rlsd = false;
    bool cts = false;
    bool ring = false;
    bool lamp = false;
};

// The barrier box behind COM64: four contacts wired as on the track (L1 DTR to DSR, L2 DTR to
// RLSD, L3 RTS to CTS, L4 RTS to RING), an input on only while its contact is closed and its
// output high, the start lamp lit while DTR is high and RTS low. Counts every input transition
// like a tty driver and notes the counter at each one. Contacts and lines may be used from any
// thread; pulse() and the local socket belong to the thread that owns the box.
class SimulatedBarrierBox : public QObject {
    Q_OBJECT
public:
    // `socketPath`: where the command socket is created when a port first opens the box; empty
    // for no socket.
    explicit SimulatedBarrierBox(EventCounterReader readCounter = {}, QString socketPath = {},
                                 QObject* parent = nullptr);
    ~SimulatedBarrierBox() override;

    // Barriers 1 to 4. Returns the counter noted at the input change, or 0 when the input did
    // not change (output low, or contact already so).
    qint64 setContact(int barrier, bool closed);
    bool contact(int barrier) const;
    // Closes the contact now and opens it `milliseconds` later; a later setContact of the same
    // barrier through cancelPulse() keeps it from reopening.
    void pulse(int barrier, int milliseconds);
    void cancelPulse(int barrier);

    SimulatedLines lines() const;
    // "OPEN=1 DTR=1 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=1"
    QString statusText() const;
    // Counter noted at the last transition of the barrier's input line, 0 if none yet.
    qint64 lastChangeStamp(int barrier) const;

    // Plugs the loopback plug in (or out: the contacts count again) with its delay and losses.
    void setLoopbackPlug(const LoopbackPlug& plug);
    LoopbackPlug loopbackPlug() const;

    QString socketPath() const { return m_socketPath; }
    bool isListening() const;

    // The device face, used by SimulatedSerialSystem.
    bool acquire(); // false while a port holds the box
    void release(); // the outputs drop, as on a hang-up
    void changeOutputs(int raiseTiocm, int lowerTiocm);
    int modemLines() const; // TIOCM bits
    LineCounters counters() const;
    // Blocks until a counter of `tiocmLines` differs from `seen` (0), or until
    // interruptWaiters() is called or `timeoutUs` microseconds have passed (EINTR; a negative
    // timeout never passes).
    int waitForChange(int tiocmLines, const LineCounters& seen, int timeoutUs);
    void interruptWaiters();

signals:
    // A contact, output or input changed; emitted on the thread that changed it.
    void changed();

private:
    // A change of an input on its way through the loopback plug.
    struct PlugChange {
        std::chrono::steady_clock::time_point due;
        int input = 0;
        bool level = false;
    };

    void updateInputsLocked();
    void routePlugLocked();
    void setInputLocked(int input, bool on);
    void deliverPlugChanges();
    void stopPlugThread();
    void startServer();

    const EventCounterReader m_readCounter;
    const QString m_socketPath;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::array<bool, 4> m_contacts{};
    std::array<bool, 4> m_inputs{}; // DSR, RLSD, CTS, RING: one per barrier
    std::array<qint64, 4> m_stamps{};
    LineCounters m_counters;
    bool m_held = false;
    bool m_dtr = false;
    bool m_rts = false;
    quint64 m_interrupts = 0;

    LoopbackPlug m_plug;
    std::array<bool, 4> m_plugTargets{}; // the level each input is heading for through the plug
    std::array<std::chrono::steady_clock::time_point, 4> m_plugLastDue{};
    std::deque<PlugChange> m_plugChanges; // in order of `due` per input
    std::condition_variable m_plugWake;
    std::minstd_rand m_plugRandom{31};
    bool m_plugStop = false;
    std::thread m_plugThread; // delivers delayed changes; runs while the plug has a delay

    std::array<QTimer*, 4> m_pulseTimers{};
    SimulatorServer* m_server = nullptr;
};
