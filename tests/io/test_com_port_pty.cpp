#include "io/com_port.h"
#include "io/modem_wait_guard.h"
#include "io/serial_system_posix.h"
#include "pty_backends.h"
#include "thread_count.h"
#include "timing/timer_platform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

// The real tty backend on a pseudo-terminal. A preloaded library of this test answers the
// modem-line ioctls that a pty does not have; signals, termios, locks and the open sequence
// are the kernel's own.
class TestComPortPty : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void wakeSignalLeavesOtherHandlersAlone();
    void linesAndEvents();
    void shortPulseGivesBothLevels();
    void quietLineCostsNothing();
    void changeAsTheWaitBeginsIsSeen();
    void guardLooksUntilTheWaiterSleeps();
    void ringOfABuiltInPortIsSeen();
    void closeStopsTheBlockedWait();
    void heldExclusively();
    void failedConfigurationReleasesDevice();
    void pulledAdapter();
    void closedMasterIsAPulledAdapter();

private:
    void (*m_setInputs)(int) = nullptr;
    void (*m_pulse)(int) = nullptr;
    int (*m_outputs)() = nullptr;
    void (*m_fail)(int) = nullptr;
    void (*m_passthrough)(int) = nullptr;
    void (*m_setUartType)(int) = nullptr;
    long (*m_calls)() = nullptr;
    void (*m_setInputsAtNextWait)(int) = nullptr;
    long long (*m_changedAtWaitNs)() = nullptr;
    int m_master = -1;
    QByteArray m_slave;
};

namespace {

qint64 monotonicNs() {
    return readMonotonicNanoseconds(nullptr);
}

struct Rig {
    std::atomic<qint64> ticks{0};
    PtyBackends backends;
    TComPort port;
    QStringList events;
    QList<qint64> stamps;

    // Stamps count up from 1, or are the monotonic clock's nanoseconds.
    explicit Rig(const QByteArray& path, bool clockStamps = false)
        : backends(path), port(&backends, [this, clockStamps] { return clockStamps ? monotonicNs() : ++ticks; }) {
        port.setEvents(TEvents(evRing) | evCTS | evDSR | evRLSD);
        auto log = [this](const char* name) {
            return [this, name](TComPort* sender) {
                QVERIFY(sender->EventStamp() > 0);
                stamps << sender->EventStamp();
                events << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(sender->GetModemStatus(), 0, 16);
            };
        };
        port.OnRing = log("RING");
        port.OnCTS = log("CTS");
        port.OnDSR = log("DSR");
        port.OnRLSD = log("RLSD");
    }
};

// Whether the tty at `path` refuses other openers (TIOCEXCL set).
bool heldExclusively(const QByteArray& path) {
    const int fd = open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == EBUSY;
    }
    int exclusive = 0;
    ioctl(fd, TIOCGEXCL, &exclusive);
    close(fd);
    return exclusive != 0;
}

std::atomic<int> foreignSignals{0};

void foreignHandler(int) {
    ++foreignSignals;
}

// Descriptors of this process that refer to the device. Other threads (a watcher's event
// dispatcher, say) open descriptors of their own at any moment, so only the device's count.
int openDescriptors(const QByteArray& device) {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    int count = 0;
    for (const QString& name : fds.entryList(QDir::Files | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(name)).toLocal8Bit() == device)
            ++count;
    }
    return count;
}

template <typename F> void resolve(F*& function, const char* name) {
    function = reinterpret_cast<F*>(dlsym(RTLD_DEFAULT, name));
}

} // namespace

void TestComPortPty::initTestCase() {
    // Another part of the program handles SIGUSR2 before the first port exists.
    struct sigaction foreign {};
    foreign.sa_handler = foreignHandler;
    sigemptyset(&foreign.sa_mask);
    QCOMPARE(sigaction(SIGUSR2, &foreign, nullptr), 0);

    resolve(m_setInputs, "fake_modem_set_inputs");
    resolve(m_pulse, "fake_modem_pulse");
    resolve(m_outputs, "fake_modem_outputs");
    resolve(m_fail, "fake_modem_fail");
    resolve(m_passthrough, "fake_modem_passthrough");
    resolve(m_setUartType, "fake_modem_set_uart_type");
    resolve(m_calls, "fake_modem_calls");
    resolve(m_setInputsAtNextWait, "fake_modem_set_inputs_at_next_wait");
    resolve(m_changedAtWaitNs, "fake_modem_changed_at_wait_ns");
    QVERIFY2(m_setInputs && m_pulse && m_outputs && m_fail && m_passthrough && m_setUartType && m_calls &&
                 m_setInputsAtNextWait && m_changedAtWaitNs,
             "the fake modem library is not preloaded (run through ctest)");

    m_master = openPty(&m_slave);
    QVERIFY(m_master >= 0);
    QVERIFY(m_slave.startsWith("/dev/pts/"));
}

void TestComPortPty::cleanupTestCase() {
    if (m_master >= 0) {
        close(m_master);
    }
}

void TestComPortPty::init() {
    m_fail(0);
    m_passthrough(0);
    m_setInputs(0);
    m_setUartType(0);
}

void TestComPortPty::wakeSignalLeavesOtherHandlersAlone() {
    {
        Rig rig(m_slave);
        rig.port.Open();
        QTest::qWait(30); // the watcher waits; the stop signals it
        rig.port.Close();
    }
    struct sigaction action {};
    QCOMPARE(sigaction(SIGUSR2, nullptr, &action), 0);
    QVERIFY(action.sa_handler == foreignHandler);
    QCOMPARE(foreignSignals.load(), 0);

    const int wake = PosixSerialSystem::wakeSignal();
    QVERIFY(wake != SIGUSR2);
    QCOMPARE(sigaction(wake, nullptr, &action), 0);
    QVERIFY(action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN);
    QCOMPARE(action.sa_flags & SA_RESTART, 0); // the blocked wait must end with EINTR
}

void TestComPortPty::linesAndEvents() {
    Rig rig(m_slave);
    rig.port.setFlowControl(fcNone);
    rig.port.Open();
    QCOMPARE(m_outputs(), TIOCM_DTR); // L1 and L2 powered, lamp lit

    m_setInputs(TIOCM_DSR);
    QTRY_COMPARE(rig.events, QStringList{"DSR 20"});
    m_setInputs(TIOCM_DSR | TIOCM_CAR);
    QTRY_COMPARE(rig.events.size(), 2);
    QCOMPARE(rig.events[1], QStringLiteral("RLSD a0"));
    QCOMPARE(rig.port.GetModemStatus(), quint32(MS_DSR_ON | MS_RLSD_ON));

    rig.port.setFlowControl(fcRtsCts);
    rig.port.Open();
    QCOMPARE(m_outputs(), TIOCM_DTR | TIOCM_RTS); // L3 and L4 powered, lamp out
    m_setInputs(TIOCM_DSR | TIOCM_CAR | TIOCM_RNG);
    QTRY_COMPARE(rig.events.size(), 3);
    QCOMPARE(rig.events[2], QStringLiteral("RING e0"));
}

void TestComPortPty::shortPulseGivesBothLevels() {
    Rig rig(m_slave);
    rig.port.Open();
    m_pulse(TIOCM_CTS);
    QTRY_COMPARE(rig.events, (QStringList{"CTS 10", "CTS 0"}));
}

void TestComPortPty::quietLineCostsNothing() {
    // Armed and idle: the watcher sleeps in the kernel's wait, nothing wakes it or asks the
    // driver anything until a line changes.
    Rig rig(m_slave);
    rig.port.Open();
    QTest::qWait(20);
    const long before = m_calls();
    QTest::qWait(300);
    const long idleCalls = m_calls() - before;
    QVERIFY2(idleCalls <= 1, qPrintable(QString::number(idleCalls)));
    m_setInputs(TIOCM_DSR);
    QTRY_COMPARE(rig.events, QStringList{"DSR 20"});
}

void TestComPortPty::changeAsTheWaitBeginsIsSeen() {
    // After the CTS report the watcher reads the counts and waits again; DSR changes between
    // that read and the kernel's own at the start of the wait, which then sleeps through it.
    // The guard must find it within a millisecond or so, not at the next change.
    Rig rig(m_slave, true);
    rig.port.Open();
    QTest::qWait(5);
    m_setInputsAtNextWait(TIOCM_CTS | TIOCM_DSR);
    m_setInputs(TIOCM_CTS);
    QTRY_COMPARE(rig.events, (QStringList{"CTS 10", "DSR 30"}));
    const qint64 lateUs = (rig.stamps[1] - m_changedAtWaitNs()) / 1000;
    // About half a millisecond; generous for a loaded machine.
    QVERIFY2(lateUs >= 0 && lateUs < 20000, qPrintable(QString::number(lateUs)));
    qInfo("change at the start of the wait stamped %lld us late", lateUs);
}

void TestComPortPty::guardLooksUntilTheWaiterSleeps() {
    // The guard reads the waiter's state from /proc: while the waiter is still on its way into
    // the wait (running) it looks again every half millisecond; once it has seen the waiter
    // asleep with the counts unmoved, it stops. Each look is one count read of the driver.
    const int fd = open(m_slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(fd >= 0);
    LineCounters seen;
    QCOMPARE(PosixSerialSystem().getLineCounters(fd, &seen), 0);
    long looksWhileRunning = 0;
    long looksWhileAsleep = 0;
    std::thread waiter([&] {
        ModemWaitGuard guard(PosixSerialSystem::wakeSignal());
        long before = m_calls();
        guard.enter(fd, TIOCM_DSR, seen);
        // Running until the guard has looked three times: a loaded machine may hold it back.
        for (const qint64 deadline = monotonicNs() + 5'000'000'000; monotonicNs() < deadline;) {
            if (m_calls() - before >= 3) {
                break;
            }
        }
        guard.leave();
        looksWhileRunning = m_calls() - before;
        before = m_calls();
        guard.enter(fd, TIOCM_DSR, seen);
        const timespec pause{0, 50'000'000};
        nanosleep(&pause, nullptr);
        guard.leave();
        looksWhileAsleep = m_calls() - before;
    });
    waiter.join();
    close(fd);
    QVERIFY2(looksWhileRunning >= 3, qPrintable(QString::number(looksWhileRunning)));
    QVERIFY2(looksWhileAsleep <= 1, qPrintable(QString::number(looksWhileAsleep)));
}

void TestComPortPty::ringOfABuiltInPortIsSeen() {
    // A 16550A behind the pty: RING going active is not counted there, so its level is read
    // while the owner needs that change, and only then.
    m_setUartType(4);
    Rig rig(m_slave);
    NeededChanges needed;
    needed.becomingActive &= ~quint32(MS_RING_ON);
    rig.port.setNeededChanges(needed);
    rig.port.Open();
    QTest::qWait(20);
    long before = m_calls();
    QTest::qWait(100);
    QVERIFY(m_calls() - before <= 1);

    rig.port.setNeededChanges({});
    rig.port.Open();
    QTest::qWait(20);
    before = m_calls();
    QTest::qWait(100);
    QVERIFY(m_calls() - before > 20); // RING's level, about every 0.85 ms
    m_setInputs(TIOCM_RNG);
    QTRY_COMPARE(rig.events, QStringList{"RING 40"});
    m_setInputs(0);
    QTRY_COMPARE(rig.events, (QStringList{"RING 40", "RING 0"}));
}

void TestComPortPty::closeStopsTheBlockedWait() {
    QTRY_COMPARE(watcherThreads(), 0); // earlier tests' ports
    const int threadsBefore = threadCount();
    Rig rig(m_slave);
    // A watcher started from a thread that blocks the wake signal inherits the block.
    sigset_t wake, previous;
    sigemptyset(&wake);
    sigaddset(&wake, PosixSerialSystem::wakeSignal());
    pthread_sigmask(SIG_BLOCK, &wake, &previous);
    rig.port.Open();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    QTest::qWait(20); // let the watcher block in the wait
    QElapsedTimer timer;
    timer.start();
    rig.port.Close();
    QVERIFY2(timer.elapsed() < 50, qPrintable(QString::number(timer.elapsed())));
    QTRY_COMPARE(threadCount(), threadsBefore);
}

void TestComPortPty::heldExclusively() {
    Rig first(m_slave);
    Rig second(m_slave);
    first.port.Open();
    QVERIFY(::heldExclusively(m_slave));
    const int descriptors = openDescriptors(m_slave);
    try {
        second.port.Open();
        QFAIL("the device was opened twice");
    } catch (const EComHandle& e) {
        QCOMPARE(e.Message(), QStringLiteral("Unable to open com port: Device or resource busy"));
    }
    QCOMPARE(openDescriptors(m_slave), descriptors);
    // The pty outlives the port (the master stays open), as a tty does that another program
    // also has open: the exclusive mark must go with the port.
    first.port.Close();
    QVERIFY(!::heldExclusively(m_slave));
    second.port.Open();
    QVERIFY(second.port.Connected());
}

void TestComPortPty::failedConfigurationReleasesDevice() {
    // A bare pty has no modem lines: setting DTR fails after the device was opened and locked.
    m_passthrough(1);
    Rig rig(m_slave);
    const int descriptors = openDescriptors(m_slave);
    try {
        rig.port.Open();
        QFAIL("a bare pty took DTR");
    } catch (const EComState& e) {
        QCOMPARE(e.Message(), QStringLiteral("Unable to set com state: Inappropriate ioctl for device"));
    }
    QVERIFY(!rig.port.Connected());
    QCOMPARE(openDescriptors(m_slave), descriptors);
    QVERIFY(!::heldExclusively(m_slave));
    m_passthrough(0);
    rig.port.Open(); // the lock was released with the device
    QVERIFY(rig.port.Connected());
}

void TestComPortPty::pulledAdapter() {
    Rig rig(m_slave);
    bool lost = false;
    rig.port.OnLost = [&](TComPort*) { lost = true; };
    rig.port.Open();
    m_fail(EIO);
    QTRY_VERIFY(lost);
    QVERIFY(rig.port.Connected());
    QCOMPARE(rig.port.GetModemStatus(), 0u);
    rig.port.Close();
    QVERIFY(!rig.port.Connected());
}

void TestComPortPty::closedMasterIsAPulledAdapter() {
    // A pty of its own, whose master this test closes as a user pulls an adapter.
    QByteArray slave;
    const int master = openPty(&slave);
    QVERIFY(!slave.isEmpty());
    Rig rig(slave);
    int lost = 0;
    rig.port.OnLost = [&](TComPort*) { ++lost; };
    rig.port.Open();
    QTest::qWait(5); // the watcher blocks in its wait
    close(master);
    QTRY_COMPARE(lost, 1);
    QVERIFY(!rig.port.Watching());
    rig.port.Close();
    QCOMPARE(openDescriptors(slave), 0);

    // Plugged in again: the port opens and watches.
    QByteArray again;
    const int secondMaster = openPty(&again);
    QVERIFY(!again.isEmpty());
    rig.backends.setPath(again);
    rig.port.Open();
    m_setInputs(TIOCM_DSR);
    QTRY_COMPARE(rig.events, QStringList{"DSR 20"});
    QCOMPARE(lost, 1);
    rig.port.Close();
    close(secondMaster);
}

QTEST_GUILESS_MAIN(TestComPortPty)
#include "test_com_port_pty.moc"
