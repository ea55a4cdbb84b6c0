#include "timing/high_res_timer.h"
#include "timing/run_time.h"
#include "timing/time_stamp_counter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr auto guard = 5s; // only ends a test that would otherwise hang

// A periodic timer that ticks when the test says so.
class FakePeriodicTimer : public PeriodicTimer {
public:
    void start(quint32 periodMs, quint32 accuracyMs) override {
        const std::lock_guard lock(m_mutex);
        ++m_starts;
        m_period = periodMs;
        m_accuracy = accuracyMs;
    }
    void stop() override {}
    bool wait() override {
        std::unique_lock lock(m_mutex);
        m_waiting = true;
        m_condition.notify_all();
        m_condition.wait(lock, [this] { return m_pendingTicks > 0 || m_woken; });
        m_waiting = false;
        if (m_woken) {
            m_woken = false;
            return false;
        }
        --m_pendingTicks;
        return true;
    }
    void wake() override {
        const std::lock_guard lock(m_mutex);
        m_woken = true;
        m_condition.notify_all();
    }

    void tick() {
        const std::lock_guard lock(m_mutex);
        ++m_pendingTicks;
        m_condition.notify_all();
    }
    // True once the thread blocks in wait() again with every tick consumed.
    bool waitUntilIdle() {
        std::unique_lock lock(m_mutex);
        return m_condition.wait_for(lock, guard, [this] { return m_waiting && m_pendingTicks == 0; });
    }
    int starts() {
        const std::lock_guard lock(m_mutex);
        return m_starts;
    }
    quint32 period() {
        const std::lock_guard lock(m_mutex);
        return m_period;
    }
    quint32 accuracy() {
        const std::lock_guard lock(m_mutex);
        return m_accuracy;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    int m_pendingTicks = 0;
    bool m_woken = false;
    bool m_waiting = false;
    int m_starts = 0;
    quint32 m_period = 0;
    quint32 m_accuracy = 0;
};

// A machine in test time: both counters advance only through the fake sleep
// (or advanceMs), so calibration takes no real time.
struct FakeMachine {
    qint64 frequency = 3579545; // performance counts per second
    qint64 tscPerUs = 2400;
    bool hasTsc = true;
    bool frozenPerformanceCounter = false;
    std::atomic<qint64> elapsedUs{0};
    QStringList log;
    std::vector<FakePeriodicTimer*> timers; // owned by their threads
    int timersAlive = 0;

    qint64 performanceCount() const {
        return frozenPerformanceCounter ? 777 : 1000 + elapsedUs.load() * frequency / 1000000;
    }
    qint64 tscCount() const { return 5000 + elapsedUs.load() * tscPerUs; }
    void advanceMs(qint64 ms) { elapsedUs += ms * 1000; }
    FakePeriodicTimer& lastTimer() { return *timers.back(); }

    TimerPlatform platform() {
        TimerPlatform p;
        p.performanceCounter = {[](const void* c) { return static_cast<const FakeMachine*>(c)->performanceCount(); },
                                this};
        p.timeStampCounter = {[](const void* c) { return static_cast<const FakeMachine*>(c)->tscCount(); }, this};
        p.performanceFrequency = [this] {
            log << QStringLiteral("frequency");
            return frequency;
        };
        p.detectTsc = [this] { return hasTsc; };
        p.sleep = [this](quint32 ms) {
            log << QStringLiteral("sleep %1").arg(ms);
            advanceMs(ms);
        };
        p.saveScheduling = [this] {
            log << QStringLiteral("save");
            SchedulingState state;
            state.hasNice = true;
            state.nice = 7;
            return state;
        };
        p.raiseScheduling = [this] { log << QStringLiteral("raise"); };
        p.restoreScheduling = [this](const SchedulingState& state) {
            log << QStringLiteral("restore %1").arg(state.nice);
        };
        p.applyThreadScheduling = [this](qint64 tid, TThreadClass threadClass, TThreadPriority priority) {
            log << QStringLiteral("apply %1 %2 %3")
                       .arg(tid == gettid() ? QStringLiteral("caller") : QStringLiteral("thread"))
                       .arg(int(threadClass))
                       .arg(int(priority));
        };
        p.createPeriodicTimer = [this]() -> std::unique_ptr<PeriodicTimer> {
            struct Counted : FakePeriodicTimer {
                explicit Counted(int& alive) : m_alive(alive) { ++m_alive; }
                ~Counted() override { --m_alive; }
                int& m_alive;
            };
            auto timer = std::make_unique<Counted>(timersAlive);
            timers.push_back(timer.get());
            return timer;
        };
        return p;
    }
};

const QStringList calibrationLog = {"frequency", "save", "raise", "sleep 10", "sleep 3000", "restore 7"};

int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

} // namespace

class TestHighResTimer : public QObject {
    Q_OBJECT

private slots:
    void tscDetection_data() {
        QTest::addColumn<qint32>("highestLeaf");
        QTest::addColumn<quint32>("edx");
        QTest::addColumn<bool>("tsc");
        QTest::newRow("leaf 1 with TSC bit") << 1 << 0x10u << true;
        QTest::newRow("many leaves, all bits") << 13 << 0xFFFFFFFFu << true;
        QTest::newRow("no TSC bit") << 13 << 0xFFFFFFEFu << false;
        QTest::newRow("leaf 0 only") << 0 << 0x10u << false;
        // An answer of 0x8000_0000 or more is read as signed: no TSC.
        QTest::newRow("negative leaf") << qint32(0x80000004u) << 0x10u << false;
    }
    void tscDetection() {
        QFETCH(qint32, highestLeaf);
        QFETCH(quint32, edx);
        QFETCH(bool, tsc);
        QCOMPARE(tscFromCpuid(highestLeaf, edx), tsc);
    }

    void creation_data() {
        QTest::addColumn<bool>("hasTsc");
        QTest::addColumn<bool>("startWithTsc");
        QTest::addColumn<bool>("useTsc");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<double>("countSpeed");
        QTest::newRow("TSC calibrates for 3 s") << true << true << true << calibrationLog << 2400.0;
        QTest::newRow("no TSC, no wait") << false << true << false << QStringList{"frequency"} << 3.579545;
        QTest::newRow("TSC off from the start, no wait")
            << true << false << false << QStringList{"frequency"} << 3.579545;
        QTest::newRow("neither") << false << false << false << QStringList{"frequency"} << 3.579545;
    }
    void creation() {
        QFETCH(bool, hasTsc);
        QFETCH(bool, startWithTsc);
        QFETCH(bool, useTsc);
        QFETCH(QStringList, log);
        QFETCH(double, countSpeed);
        FakeMachine machine;
        machine.hasTsc = hasTsc;
        const THighResTimer timer(startWithTsc ? THighResTimer::StartCounter::TscWhenPresent
                                               : THighResTimer::StartCounter::PerformanceCounter,
                                  machine.platform());
        QCOMPARE(timer.TSC(), hasTsc);
        QCOMPARE(timer.UseTSC(), useTsc);
        QCOMPARE(machine.log, log);
        QCOMPARE(timer.CountSpeed(), countSpeed);
        QCOMPARE(timer.ReadCounter(), useTsc ? machine.tscCount() : machine.performanceCount());
        QCOMPARE(timer.Enabled(), false);
        QCOMPARE(timer.Resolution(), timer.MinAccuracy());
        QCOMPARE(timer.Accuracy(), 0u);
    }

    // The calibration measures the TSC against the performance counter over
    // the long sleep; the settle sleep before it does not count.
    void calibrationArithmetic_data() {
        QTest::addColumn<qint64>("frequency");
        QTest::addColumn<qint64>("tscPerUs");
        QTest::newRow("ACPI counter, 2.4 GHz") << qint64(3579545) << qint64(2400);
        QTest::newRow("ns counter, 3.1 GHz") << qint64(1000000000) << qint64(3100);
        QTest::newRow("10 MHz counter, 1 GHz") << qint64(10000000) << qint64(1000);
    }
    void calibrationArithmetic() {
        QFETCH(qint64, frequency);
        QFETCH(qint64, tscPerUs);
        FakeMachine machine;
        machine.frequency = frequency;
        machine.tscPerUs = tscPerUs;
        THighResTimer timer(THighResTimer::StartCounter::TscWhenPresent, machine.platform());
        QCOMPARE(timer.CountSpeed(), double(tscPerUs));
        QCOMPARE(machine.elapsedUs.load(), qint64(3010000));

        machine.log.clear();
        timer.Calibrate(500);
        QCOMPARE(machine.log, (QStringList{"frequency", "save", "raise", "sleep 10", "sleep 500", "restore 7"}));
        // A shorter span leaves the performance counter's rounding visible.
        QVERIFY(qAbs(timer.CountSpeed() - double(tscPerUs)) < tscPerUs * 1e-6);
    }

    void calibrationWithStuckCounterStaysFinite() {
        FakeMachine machine;
        machine.frozenPerformanceCounter = true;
        const THighResTimer timer(THighResTimer::StartCounter::TscWhenPresent, machine.platform());
        QVERIFY(std::isfinite(timer.CountSpeed()));
        QCOMPARE(timer.CountSpeed(), 3.579545);
    }

    void acpiCounterExample() {
        FakeMachine machine;
        machine.hasTsc = false;
        const THighResTimer timer(THighResTimer::StartCounter::TscWhenPresent, machine.platform());
        QCOMPARE(timer.CountSpeed(), 3.579545);
        QCOMPARE(ticksToMs(35795450, timer.CountSpeed()), 10000);
        const qint64 start = timer.ReadCounter();
        machine.advanceMs(10000);
        QCOMPARE(timer.ReadCounter() - start, qint64(35795450));
        QCOMPARE(ticksToMs(timer.ReadCounter() - start, timer.CountSpeed()), 10000);
    }

    void useTscWrites_data() {
        QTest::addColumn<bool>("hasTsc");
        QTest::addColumn<bool>("startWithTsc");
        QTest::addColumn<bool>("write");
        QTest::addColumn<bool>("useTsc");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("same value true: nothing") << true << true << true << true << QStringList{};
        QTest::newRow("same value false: nothing") << true << false << false << false << QStringList{};
        QTest::newRow("same value without TSC: nothing") << false << true << false << false << QStringList{};
        QTest::newRow("off switches at once") << true << true << false << false << QStringList{"frequency"};
        QTest::newRow("on calibrates") << true << false << true << true << calibrationLog;
        QTest::newRow("on without TSC stays off") << false << true << true << false << QStringList{"frequency"};
    }
    void useTscWrites() {
        QFETCH(bool, hasTsc);
        QFETCH(bool, startWithTsc);
        QFETCH(bool, write);
        QFETCH(bool, useTsc);
        QFETCH(QStringList, log);
        FakeMachine machine;
        machine.hasTsc = hasTsc;
        THighResTimer timer(startWithTsc ? THighResTimer::StartCounter::TscWhenPresent
                                         : THighResTimer::StartCounter::PerformanceCounter,
                            machine.platform());
        const double speedBefore = timer.CountSpeed();
        machine.log.clear();
        // A changed rate shows whether the write measured again.
        machine.frequency = 1000000000;
        timer.setUseTSC(write);
        QCOMPARE(timer.UseTSC(), useTsc);
        QCOMPARE(machine.log, log);
        QCOMPARE(timer.ReadCounter(), useTsc ? machine.tscCount() : machine.performanceCount());
        const double expected = log.isEmpty() ? speedBefore : useTsc ? 2400.0 : 1000.0;
        QCOMPARE(timer.CountSpeed(), expected);
    }

    void useTscKeptWhileEnabled() {
        FakeMachine machine;
        THighResTimer timer(THighResTimer::StartCounter::TscWhenPresent, machine.platform());
        timer.setEnabled(true);
        machine.log.clear();
        timer.setUseTSC(false);
        QCOMPARE(timer.UseTSC(), true);
        QCOMPARE(machine.log, calibrationLog);
        QCOMPARE(timer.ReadCounter(), machine.tscCount());
        // The thread still reads the TSC too.
        QVERIFY(machine.lastTimer().waitUntilIdle());
        machine.lastTimer().tick();
        QVERIFY(timer.timerThread()->TickEvent().waitFor(guard));
        QCOMPARE(timer.timerThread()->LastCount(), machine.tscCount());
        timer.setEnabled(false);
        timer.setUseTSC(false);
        QCOMPARE(timer.UseTSC(), false);
        QCOMPARE(timer.ReadCounter(), machine.performanceCount());
    }

    void threadTicks() {
        FakeMachine machine;
        THighResTimer timer(THighResTimer::StartCounter::PerformanceCounter, machine.platform());
        timer.setAccuracy(2);
        timer.setResolution(10);
        QCOMPARE(timer.timerThread(), nullptr);
        timer.setEnabled(true);
        QVERIFY(timer.Enabled());
        TMMTimerThread* thread = timer.timerThread();
        QVERIFY(thread && thread->isRunning());
        FakePeriodicTimer& periodic = machine.lastTimer();
        QVERIFY(periodic.waitUntilIdle());
        QCOMPARE(periodic.starts(), 1);
        QCOMPARE(periodic.period(), 10u);
        QCOMPARE(periodic.accuracy(), 2u);
        QCOMPARE(thread->LastCount(), 0);
        QVERIFY(!thread->TickEvent().waitFor(0ms));
        for (int i = 1; i <= 3; ++i) {
            machine.advanceMs(10);
            periodic.tick();
            QVERIFY(thread->TickEvent().waitFor(guard));
            QCOMPARE(thread->LastCount(), timer.ReadCounter());
        }
        // Auto-reset: no tick, no event.
        QVERIFY(!thread->TickEvent().waitFor(0ms));
    }

    void paramsRecreateTimerOnce_data() {
        QTest::addColumn<bool>("resolution");
        QTest::newRow("Resolution") << true;
        QTest::newRow("Accuracy") << false;
    }
    void paramsRecreateTimerOnce() {
        QFETCH(bool, resolution);
        FakeMachine machine;
        THighResTimer timer(THighResTimer::StartCounter::PerformanceCounter, machine.platform());
        timer.setResolution(10);
        timer.setEnabled(true);
        TMMTimerThread* thread = timer.timerThread();
        FakePeriodicTimer& periodic = machine.lastTimer();
        QVERIFY(periodic.waitUntilIdle());
        QVERIFY(!thread->ParamsChanged());

        if (resolution)
            timer.setResolution(25);
        else
            timer.setAccuracy(4);
        QVERIFY(thread->ParamsChanged());
        QCOMPARE(resolution ? thread->Resolution() : thread->Accuracy(), resolution ? 25u : 4u);
        QCOMPARE(periodic.starts(), 1); // takes effect after the next tick
        for (int i = 0; i < 5; ++i) {
            periodic.tick();
            QVERIFY(thread->TickEvent().waitFor(guard));
            QVERIFY(periodic.waitUntilIdle());
        }
        QCOMPARE(periodic.starts(), 2);
        QCOMPARE(periodic.period(), resolution ? 25u : 10u);
        QCOMPARE(periodic.accuracy(), resolution ? 0u : 4u);
        QVERIFY(!thread->ParamsChanged());
    }

    void enableDisableRepeatedly() {
        FakeMachine machine;
        const int threadsBefore = threadCount();
        {
            THighResTimer timer(THighResTimer::StartCounter::PerformanceCounter, machine.platform());
            for (int i = 0; i < 20; ++i) {
                timer.setEnabled(true);
                timer.setEnabled(true); // unchanged: no second thread
                QVERIFY(timer.timerThread() && timer.timerThread()->isRunning());
                if (i % 2)
                    QVERIFY(machine.lastTimer().waitUntilIdle());
                timer.setEnabled(false);
                QCOMPARE(timer.timerThread(), nullptr);
                QCOMPARE(machine.timersAlive, 0);
            }
            QCOMPARE(int(machine.timers.size()), 20);
            timer.setEnabled(true);
        } // destruction stops the thread
        QCOMPARE(machine.timersAlive, 0);
        QCOMPARE(threadCount(), threadsBefore);
    }

    void threadSchedulingOnlyWhileRunning() {
        FakeMachine machine;
        THighResTimer timer(THighResTimer::StartCounter::PerformanceCounter, machine.platform());
        machine.log.clear();
        timer.setThreadPriority(TThreadPriority::tpHigher);
        timer.setEnabled(true); // starts at normal priority
        QCOMPARE(machine.log, QStringList{});
        timer.setThreadClass(TThreadClass::tcIdle);
        timer.setThreadPriority(TThreadPriority::tpLowest);
        QCOMPARE(machine.log, (QStringList{"apply thread 0 4", "apply thread 0 1"}));
        QCOMPARE(timer.ThreadClass(), TThreadClass::tcIdle);
        QCOMPARE(timer.ThreadPriority(), TThreadPriority::tpLowest);
        timer.setEnabled(false);
        timer.setThreadPriority(TThreadPriority::tpNormal);
        QCOMPARE(machine.log.size(), 2);
    }

    void realClocks() {
        const THighResTimer timer(THighResTimer::StartCounter::PerformanceCounter);
        QCOMPARE(timer.UseTSC(), false);
        QCOMPARE(timer.CountSpeed(), 1000.0);
        const qint64 first = timer.ReadCounter();
        qint64 later = first;
        for (int i = 0; i < 1000000 && later == first; ++i)
            later = timer.ReadCounter();
        QVERIFY(later > first);
    }

    void realThread() {
        const int threadsBefore = threadCount();
        {
            THighResTimer timer(THighResTimer::StartCounter::PerformanceCounter);
            for (int i = 0; i < 10; ++i) {
                timer.setEnabled(true);
                QVERIFY(timer.timerThread()->TickEvent().waitFor(guard));
                const qint64 last = timer.timerThread()->LastCount();
                QVERIFY(last > 0 && last <= timer.ReadCounter());
                timer.setEnabled(false);
            }
            // A long period does not delay stopping.
            timer.setResolution(60000);
            timer.setEnabled(true);
            QElapsedTimer stopping;
            stopping.start();
            timer.setEnabled(false);
            QVERIFY(stopping.elapsed() < 5000);
            QCOMPARE(timer.timerThread(), nullptr);
        }
        QCOMPARE(threadCount(), threadsBefore);
    }

    // Lowering is always permitted, so this holds without privileges.
    void realThreadScheduling() {
        THighResTimer timer(THighResTimer::StartCounter::PerformanceCounter);
        timer.setEnabled(true);
        const auto tid = static_cast<pid_t>(timer.timerThread()->threadId());
        QVERIFY(tid > 0 && tid != gettid());
        timer.setThreadPriority(TThreadPriority::tpLowest);
        QCOMPARE(getpriority(PRIO_PROCESS, static_cast<id_t>(tid)), 10);
        timer.setThreadClass(TThreadClass::tcIdle);
        QCOMPARE(sched_getscheduler(tid), SCHED_IDLE);
        QCOMPARE(sched_getscheduler(0), SCHED_OTHER); // the caller is untouched
    }
};

QTEST_GUILESS_MAIN(TestHighResTimer)
#include "test_high_res_timer.moc"
