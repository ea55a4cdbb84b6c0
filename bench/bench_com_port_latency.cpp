// Delay from a line change of the simulated barrier box to the stamp its dispatched event
// carries, and to the handler itself, with the GUI thread idle and kept busy. The "floor" lines
// are the machine's own share: a bare real-time thread woken by the same box, without the port,
// with the GUI thread idle and busy. Whatever the floor shows, no watcher can do better.
//   bench_com_port_latency [changes]
#include "bench_threads.h"
#include "io/com_port.h"
#include "io/serial_backends.h"
#include "io/serial_system_simulated.h"
#include "io/simulated_barrier_box.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <thread>
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

void printLine(const char* mode, std::vector<qint64> stampDelay, std::vector<qint64> handlerDelay) {
    if (stampDelay.empty()) {
        std::printf("%-10s no events\n", mode);
        return;
    }
    const Distribution s = distribution(stampDelay);
    const Distribution h = distribution(handlerDelay);
    std::printf("%-10s %7zu  %9.1f %9.1f %9.1f   %9.1f %9.1f %9.1f   %6zu\n", mode, stampDelay.size(), s.p50, s.p99,
                s.max, h.p50, h.p99, h.max, s.overOneMs);
}

// Changes barrier 1 `changes` times from a real-time thread while the GUI thread's loop runs,
// each after `reports` has told the one before; returns the box's stamp of each change.
std::vector<qint64> driveChanges(SimulatedBarrierBox& box, int changes, QSemaphore& reports) {
    std::vector<qint64> changed(size_t(changes), 0);
    QEventLoop loop;
    std::thread driver([&] {
        // The box stands in for hardware that changes a line and wakes the watcher at once;
        // scheduled like the watcher, it is not held up between the two by other programs.
        makeRealTime();
        for (int i = 0; i < changes; ++i) {
            pauseBeforeChange();
            changed[size_t(i)] = box.setContact(1, i % 2 == 0);
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

void measureFloor(const char* mode, bool busy, int changes) {
    SimulatedBarrierBox box(nanoseconds);
    box.acquire();
    box.changeOutputs(TIOCM_DTR | TIOCM_RTS, 0);
    QTimer work;
    if (busy) {
        keepBusy(&work);
    }

    std::vector<qint64> woke(size_t(changes), 0);
    std::atomic<int> seen{0};
    QSemaphore reports;
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        makeRealTime();
        // Counts compared before each wait, as the watcher does: a change between two waits
        // is seen at once instead of lost.
        int counted = box.counters().dsr;
        while (!done.load() && seen.load() < changes) {
            if (box.counters().dsr == counted) {
                box.waitForChange(TIOCM_DSR, 800);
            }
            const int now = box.counters().dsr;
            for (; counted < now && seen.load() < changes; ++counted) {
                woke[size_t(seen.load())] = nanoseconds();
                seen.fetch_add(1);
                reports.release();
            }
        }
    });
    const std::vector<qint64> changed = driveChanges(box, changes, reports);
    done = true;
    box.interruptWaiters();
    waiter.join();
    work.stop();
    box.release();

    std::vector<qint64> delay;
    for (int i = 0; i < seen.load(); ++i) {
        delay.push_back(woke[size_t(i)] - changed[size_t(i)]);
    }
    printLine(mode, delay, delay);
}

void measure(const char* mode, bool busy, int changes) {
    SimulatedBarrierBox box(nanoseconds);
    SimulatedSerialSystem simulator(&box);
    SerialBackends backends(nullptr, &simulator);
    TComPort port(&backends, nanoseconds);
    port.setPort(64);
    port.setEvents(TEvents(evRing) | evCTS | evDSR | evRLSD);

    std::vector<qint64> stamps, handled;
    QSemaphore reports;
    port.OnDSR = [&](TComPort* sender) {
        handled.push_back(nanoseconds());
        stamps.push_back(sender->EventStamp());
        reports.release();
    };
    port.Open();

    QTimer work;
    if (busy) {
        keepBusy(&work);
    }

    const std::vector<qint64> changed = driveChanges(box, changes, reports);
    work.stop();
    port.Close();

    const size_t n = std::min(stamps.size(), changed.size());
    std::vector<qint64> stampDelay, handlerDelay;
    for (size_t i = 0; i < n; ++i) {
        stampDelay.push_back(stamps[i] - changed[i]);
        handlerDelay.push_back(handled[i] - changed[i]);
    }
    printLine(mode, stampDelay, handlerDelay);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    sched_param probe{};
    probe.sched_priority = sched_get_priority_min(SCHED_FIFO);
    const bool realTime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &probe) == 0;
    probe.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &probe);
    std::printf("Delay after a line change of the simulated box, microseconds (real-time scheduling %s)\n",
                realTime ? "allowed" : "not allowed");
    std::printf("%-10s %7s  %29s   %29s   %s\n", "GUI", "changes", "stamp carried: p50 p99 max",
                "handler runs: p50 p99 max", "stamps over 1 ms");
    measure("idle", false, changes);
    measure("busy", true, changes);
    measureFloor("floor idle", false, changes);
    measureFloor("floor busy", true, changes);
    return 0;
}
