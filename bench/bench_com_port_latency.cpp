// Delay from a line change to the stamp its dispatched event carries, and to the handler itself,
// with the GUI thread idle and kept busy, on two paths: the simulated barrier box, and the real
// tty backend (TIOCMIWAIT, the wake signal, the guard at the start of the wait) on a
// pseudo-terminal whose modem lines the fake modem driver of the tests supplies. The "floor"
// lines are the machine's own share: a bare real-time thread woken by the same line, without
// the port; whatever the floor shows, no watcher can do better. Last, how often the threads of
// an armed port wake while nothing happens.
//   bench_com_port_latency [changes]
#include "bench_threads.h"
#include "io/com_port.h"
#include "io/serial_backends.h"
#include "io/serial_system_simulated.h"
#include "io/simulated_barrier_box.h"
#include "pty_backends.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <functional>
#include <linux/serial.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using bench_threads::makeRealTime;
using bench_threads::nanoseconds;

struct Distribution {
    double p50, p99, max;
    size_t overOneMs;
};

Distribution distribution(std::vector<qint64> ns) {
    std::sort(ns.begin(), ns.end());
    auto at = [&](double q) { return ns[std::min(ns.size() - 1, size_t(q * double(ns.size())))] / 1000.0; };
    const size_t over = size_t(ns.end() - std::upper_bound(ns.begin(), ns.end(), qint64(1000000)));
    return {at(0.50), at(0.99), ns.back() / 1000.0, over};
}

// A GUI thread that is never idle: 3 ms of work whenever the loop gets to it.
void keepBusy(QTimer* work) {
    QObject::connect(work, &QTimer::timeout, [] {
        const qint64 end = nanoseconds() + 3000000;
        while (nanoseconds() < end) {
        }
    });
    work->start(0);
}

// Sleeps between 0.5 and 2 ms before each change, as barriers are not in step with anything.
void pauseBeforeChange() {
    std::this_thread::sleep_for(std::chrono::microseconds(500 + QRandomGenerator::global()->bounded(1500)));
}

void printLine(const QString& mode, std::vector<qint64> stampDelay, std::vector<qint64> handlerDelay) {
    const QByteArray name = mode.toLocal8Bit();
    if (stampDelay.empty()) {
        std::printf("%-16s no events\n", name.constData());
        return;
    }
    const Distribution s = distribution(stampDelay);
    const Distribution h = distribution(handlerDelay);
    std::printf("%-16s %7zu  %9.1f %9.1f %9.1f   %9.1f %9.1f %9.1f   %6zu\n", name.constData(), stampDelay.size(),
                s.p50, s.p99, s.max, h.p50, h.p99, h.max, s.overOneMs);
}

// The fake modem driver's controls, when it is preloaded.
struct FakeModem {
    void (*setInputs)(int) = nullptr;

    static FakeModem find() {
        FakeModem modem;
        modem.setInputs = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "fake_modem_set_inputs"));
        return modem;
    }
    bool present() const { return setInputs != nullptr; }
};

// One way to change the L1 line (DSR) and to count its changes: the simulated box, or a pty
// through the fake modem driver.
struct Path {
    QString name;
    // Changes the line; returns the counter at the change.
    std::function<qint64(bool on)> change;
    std::function<int()> dsrCount;
    // Blocks until the DSR count differs from `seen`, or until interrupt().
    std::function<void(int seen)> waitFrom;
    std::function<void()> interrupt;
    // The floor uses the line without a port: set up and taken down around it.
    std::function<void()> beginFloor;
    std::function<void()> endFloor;
    // Where a TComPort finds the line, and its port number.
    SerialBackends* backends = nullptr;
    int port = 0;
};

struct BoxPath {
    SimulatedBarrierBox box{nanoseconds};
    SimulatedSerialSystem system{&box};
    SerialBackends backends{nullptr, &system};

    Path path() {
        Path p;
        p.name = QStringLiteral("box");
        p.change = [this](bool on) { return box.setContact(1, on); };
        p.dsrCount = [this] { return box.counters().dsr; };
        p.waitFrom = [this](int seen) { box.waitForChange(TIOCM_DSR, LineCounters{0, seen, 0, 0}, -1); };
        p.interrupt = [this] { box.interruptWaiters(); };
        p.beginFloor = [this] {
            // The floor waits on the box itself, which a port holds otherwise.
            box.acquire();
            box.changeOutputs(TIOCM_DTR | TIOCM_RTS, 0);
        };
        p.endFloor = [this] { box.release(); };
        p.backends = &backends;
        p.port = 64;
        return p;
    }
};

struct PtyPath {
    FakeModem modem = FakeModem::find();
    QByteArray slave;
    int master = openPty(&slave);
    PtyBackends backends{slave};
    int floorFd = -1;
    std::atomic<pthread_t> floorThread{};

    ~PtyPath() {
        if (master >= 0) {
            close(master);
        }
    }
    bool usable() const { return modem.present() && master >= 0; }

    Path path() {
        Path p;
        p.name = QStringLiteral("pty");
        p.change = [this](bool on) {
            const qint64 at = nanoseconds();
            modem.setInputs(on ? TIOCM_DSR : 0);
            return at;
        };
        p.dsrCount = [this] {
            serial_icounter_struct counts{};
            ioctl(floorFd, TIOCGICOUNT, &counts);
            return counts.dsr;
        };
        p.waitFrom = [this](int seen) {
            floorThread = pthread_self();
            // The kernel's (here the fake driver's) own snapshot: a change since `seen` is
            // caught by the count read before the wait, as the watcher does.
            serial_icounter_struct counts{};
            ioctl(floorFd, TIOCGICOUNT, &counts);
            if (counts.dsr == seen) {
                ioctl(floorFd, TIOCMIWAIT, TIOCM_DSR);
            }
        };
        p.interrupt = [this] {
            const pthread_t thread = floorThread.load();
            if (thread != pthread_t{}) {
                pthread_kill(thread, PosixSerialSystem::wakeSignal());
            }
        };
        p.beginFloor = [this] { floorFd = open(slave.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); };
        p.endFloor = [this] {
            close(floorFd);
            floorFd = -1;
        };
        p.backends = &backends;
        p.port = 1;
        return p;
    }
};

// Changes the line `changes` times from a real-time thread while the GUI thread's loop runs,
// each after `reports` has told the one before; returns the counter at each change.
std::vector<qint64> driveChanges(const Path& path, int changes, QSemaphore& reports) {
    std::vector<qint64> changed(size_t(changes), 0);
    QEventLoop loop;
    std::thread driver([&] {
        // The driver stands in for hardware that changes a line and wakes the watcher at once;
        // scheduled like the watcher, it is not held up between the two by other programs.
        makeRealTime();
        for (int i = 0; i < changes; ++i) {
            pauseBeforeChange();
            changed[size_t(i)] = path.change(i % 2 == 0);
            if (!reports.tryAcquire(1, 5000)) {
                break;
            }
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    driver.join();
    return changed;
}

void measureFloor(const Path& path, bool busy, int changes) {
    QTimer work;
    if (busy) {
        keepBusy(&work);
    }
    std::vector<qint64> woke(size_t(changes), 0);
    std::atomic<int> seen{0};
    QSemaphore reports;
    std::atomic<bool> done{false};
    // Read before the thread starts: a first change that comes before the thread's first look
    // is then counted, not taken for the start.
    const int first = path.dsrCount();
    std::thread waiter([&] {
        makeRealTime();
        int counted = first;
        while (!done.load() && seen.load() < changes) {
            path.waitFrom(counted);
            const int now = path.dsrCount();
            for (; counted < now && seen.load() < changes; ++counted) {
                woke[size_t(seen.load())] = nanoseconds();
                seen.fetch_add(1);
                reports.release();
            }
        }
    });
    const std::vector<qint64> changed = driveChanges(path, changes, reports);
    done = true;
    // Repeated: an interrupt that lands before the wait begins is lost.
    std::atomic<bool> joined{false};
    std::thread stopper([&] {
        while (!joined.load()) {
            path.interrupt();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    waiter.join();
    joined = true;
    stopper.join();
    work.stop();

    std::vector<qint64> delay;
    for (int i = 0; i < seen.load(); ++i) {
        delay.push_back(woke[size_t(i)] - changed[size_t(i)]);
    }
    printLine(path.name + QStringLiteral(" floor ") + (busy ? QStringLiteral("busy") : QStringLiteral("idle")), delay,
              delay);
}

TComPort* openPort(const Path& path, QObject* parent) {
    auto* port = new TComPort(path.backends, nanoseconds, parent);
    port->setPort(quint8(path.port));
    port->setEvents(TEvents(evRing) | evCTS | evDSR | evRLSD);
    port->Open();
    return port;
}

void measure(const Path& path, bool busy, int changes) {
    QObject owner;
    TComPort* port = openPort(path, &owner);
    std::vector<qint64> stamps, handled;
    QSemaphore reports;
    port->OnDSR = [&](TComPort* sender) {
        handled.push_back(nanoseconds());
        stamps.push_back(sender->EventStamp());
        reports.release();
    };
    QTimer work;
    if (busy) {
        keepBusy(&work);
    }
    const std::vector<qint64> changed = driveChanges(path, changes, reports);
    work.stop();
    port->Close();

    const size_t n = std::min(stamps.size(), changed.size());
    std::vector<qint64> stampDelay, handlerDelay;
    for (size_t i = 0; i < n; ++i) {
        stampDelay.push_back(stamps[i] - changed[i]);
        handlerDelay.push_back(handled[i] - changed[i]);
    }
    printLine(path.name + (busy ? QStringLiteral(" busy") : QStringLiteral(" idle")), stampDelay, handlerDelay);
}

// Context switches of every thread of this process but the main one: each is a wake-up.
qint64 wakeUpsOfOtherThreads() {
    const QString main = QString::number(getpid());
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (tid == main) {
            continue;
        }
        QFile status(tasks.filePath(tid) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:")) {
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
            }
        }
    }
    return total;
}

// The armed port's threads while nothing happens for two seconds.
void measureIdleWakeUps(const Path& path) {
    QObject owner;
    TComPort* port = openPort(path, &owner);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the watcher settles in its wait
    const qint64 before = wakeUpsOfOtherThreads();
    const qint64 start = nanoseconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const qint64 wakeUps = wakeUpsOfOtherThreads() - before;
    const double seconds = double(nanoseconds() - start) / 1e9;
    port->Close();
    std::printf("%-16s idle wake-ups per second: %.1f\n", qPrintable(path.name + QStringLiteral(" armed")),
                double(wakeUps) / seconds);
}

// Starts the program again with the fake modem driver preloaded, where it is not yet.
void preloadFakeModem(char* argv[]) {
#ifdef TARVOLT_FAKE_MODEM_PRELOAD
    if (!FakeModem::find().present() && !qEnvironmentVariableIsSet("TARVOLT_BENCH_PRELOADED")) {
        setenv("LD_PRELOAD", TARVOLT_FAKE_MODEM_PRELOAD, 1);
        setenv("TARVOLT_BENCH_PRELOADED", "1", 1);
        execv("/proc/self/exe", argv);
    }
#else
    Q_UNUSED(argv);
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    preloadFakeModem(argv);
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    sched_param probe{};
    probe.sched_priority = sched_get_priority_min(SCHED_FIFO);
    const bool realTime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &probe) == 0;
    probe.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &probe);
    std::printf("Delay after a line change, microseconds (real-time scheduling %s)\n",
                realTime ? "allowed" : "not allowed");
    std::printf("%-16s %7s  %29s   %29s   %s\n", "path, GUI", "changes", "stamp carried: p50 p99 max",
                "handler runs: p50 p99 max", "stamps over 1 ms");

    BoxPath box;
    PtyPath pty;
    std::vector<Path> paths{box.path()};
    if (pty.usable()) {
        paths.push_back(pty.path());
    } else {
        std::printf("pty              the fake modem driver is not preloaded: no pty lines\n");
    }
    for (const Path& path : paths) {
        measure(path, false, changes);
        measure(path, true, changes);
        path.beginFloor();
        measureFloor(path, false, changes);
        measureFloor(path, true, changes);
        path.endFloor();
    }
    for (const Path& path : paths) {
        measureIdleWakeUps(path);
    }
    return 0;
}
