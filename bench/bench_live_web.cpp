// The live results server under a crowd, on the loopback: 200 pages on the push channel and
// 200 pages polling /api/live twice a second (and the protocol's steps when its version moves)
// while runs go through the simulated barrier box; every finish ranks one more row into the
// protocol. Prints, with the pages:
//  - /api/live and /api/protocol answer times p50/p99/max: from sending the request to the
//    kernel's receive stamp of the answer's last bytes. The pages' thread runs at nice 19 so
//    that its work does not pass for the server's; when it reads late, that is not the server's.
//  - when every page had each finish: push pages when their thread read the message (goal
//    0.5 s), polling pages by the kernel's stamp (goal: the poll interval plus 0.1 s), with the
//    count over the goal;
//  - the bytes each page received per run once it had the protocol;
//  - the server thread's processor time per second;
// and the barrier stamp delay and the 6 ms clock without and with the crowd.
// The event-day case: bench_live_web 8 5000.
//   bench_live_web [runs] [rows]
// With "attack": each attack for the given seconds during a race, with the program's resident
// memory growth and the stamp delay (default limits: the attackers share one address).
//   bench_live_web attack [seconds] [rows]
// With "serve": the server alone on 127.0.0.1:port with a run every 4 s (3 s timing, each
// finish ranked into the protocol), to look at the page in a browser.
//   bench_live_web serve [port] [rows] [seconds]
#include "bench_poll_page.h"
#include "bench_threads.h"
#include "io/com_port.h"
#include "io/serial_backends.h"
#include "io/serial_system_simulated.h"
#include "io/simulated_barrier_box.h"
#include "web/live_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSemaphore>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <dirent.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using bench_poll_page::PollPage;
using bench_poll_page::pollSocket;
using bench_poll_page::readStamped;
using bench_poll_page::sendRequest;
using bench_threads::makeRealTime;
using bench_threads::nanoseconds;

constexpr int pushPages = 200;
constexpr int pollPages = 200;
constexpr int pollMs = 500;
constexpr int maxRuns = 64;
constexpr int splitsPerRun = 40;
int protocolRows = 150;

struct Distribution {
    double p50 = 0, p99 = 0, max = 0;
    size_t n = 0;
};

// In milliseconds.
Distribution distribution(std::vector<qint64> ns) {
    if (ns.empty())
        return {};
    std::sort(ns.begin(), ns.end());
    auto at = [&](double q) { return double(ns[std::min(ns.size() - 1, size_t(q * double(ns.size())))]) / 1e6; };
    return {at(0.50), at(0.99), double(ns.back()) / 1e6, ns.size()};
}

// When each run's finish was handed to the server, by run number.
std::array<std::atomic<qint64>, maxRuns> finishPublished{};

// The run number and whether the state holds that run's finish.
// Read by searching rather than parsing, so the pages' own work stays small beside the server's.
std::pair<int, bool> runOf(const QByteArray& json) {
    const qsizetype nr = json.indexOf("\"startNr\":\"");
    const int run = nr < 0 ? -1 : json.mid(nr + 11, json.indexOf('"', nr + 11) - nr - 11).toInt();
    return {run, !json.contains("\"finalMs\":null")};
}

qint64 versionOf(const QByteArray& json) {
    const qsizetype at = json.indexOf("\"version\":");
    return at < 0 ? -1 : json.mid(at + 10, json.indexOf(',', at) - at - 10).toLongLong();
}

// The pages: lives on a thread of its own; read after that thread has ended.
class Crowd : public QObject {
public:
    explicit Crowd(quint16 port) : m_port(port) {}
    ~Crowd() override {
        for (const auto& p : m_polling)
            ::close(p->fd);
    }

    void begin() {
        // The pages' own work runs on the phones at an event; here it must not pass for the server's.
        setpriority(PRIO_PROCESS, id_t(gettid()), 19);
        for (int i = 0; i < pushPages; ++i) {
            auto* page = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
            connect(page, &QWebSocket::connected, this, [this] { ++pushOpen; });
            connect(page, &QWebSocket::textMessageReceived, this, [this, i](const QString& text) {
                const QByteArray json = text.toUtf8();
                pushBytes += json.size();
                seen(json, pushSeen, i, nanoseconds());
            });
            page->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
        }
        for (int i = 0; i < pollPages; ++i) {
            // As the page does: the running state with the tag of the last answer, and the
            // protocol's steps whenever its version moved.
            auto p = std::make_shared<PollPage>();
            p->fd = pollSocket(m_port);
            m_polling.push_back(p);
            auto* reading = new QSocketNotifier(qintptr(p->fd), QSocketNotifier::Read, this);
            connect(reading, &QSocketNotifier::activated, this, [this, reading, p, i] {
                if (!readStamped(*p))
                    reading->setEnabled(false);
                answered(*p, i);
            });
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [p] {
                sendRequest(*p, false,
                            "GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept-Encoding: gzip, deflate" +
                                (p->tag.isEmpty() ? QByteArray() : "\r\nIf-None-Match: " + p->tag) + "\r\n\r\n");
            });
            // Spread over the half second, as phones would be.
            QTimer::singleShot(i * pollMs / pollPages, timer, [timer] { timer->start(pollMs); });
        }
    }

    std::atomic<int> pushOpen{0};
    // Received by all pages of a kind: the push messages' payloads, the polling answers whole.
    std::atomic<qint64> pushBytes{0}, pollBytes{0};
    std::vector<qint64> liveAnswers, protocolAnswers;
    // Per run and page: when the page first had that run's finish; 0 never.
    std::vector<std::vector<qint64>> pushSeen =
        std::vector<std::vector<qint64>>(maxRuns, std::vector<qint64>(pushPages));
    std::vector<std::vector<qint64>> pollSeen =
        std::vector<std::vector<qint64>>(maxRuns, std::vector<qint64>(pollPages));

private:
    // Every whole answer in the page's buffer, timed by the arrival of its last bytes.
    void answered(PollPage& p, int page) {
        while (true) {
            const qsizetype end = p.buffer.indexOf("\r\n\r\n");
            if (end < 0 || p.asked.empty())
                return;
            const QByteArray head = p.buffer.left(end);
            const qsizetype at = head.indexOf("Content-Length: ");
            const qsizetype length = head.mid(at + 16, head.indexOf('\r', at) - at - 16).toLongLong();
            if (p.buffer.size() < end + 4 + length)
                return;
            pollBytes += end + 4 + length;
            const QByteArray body = p.buffer.mid(end + 4, length);
            p.buffer.remove(0, end + 4 + length);
            const auto [protocol, sent] = p.asked.front();
            p.asked.pop_front();
            (protocol ? protocolAnswers : liveAnswers).push_back(p.arrived - sent);
            if (protocol || !head.startsWith("HTTP/1.1 200"))
                continue;
            const qsizetype tag = head.indexOf("ETag: ");
            p.tag = head.mid(tag + 6, head.indexOf('\r', tag) - tag - 6);
            seen(body, pollSeen, page, p.arrived);
            const qint64 version = versionOf(body);
            if (version != p.version) {
                sendRequest(p, true,
                            "GET /api/protocol" +
                                (p.version > 0 ? "?since=" + QByteArray::number(p.version) : QByteArray()) +
                                " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept-Encoding: gzip, deflate\r\n\r\n");
                p.version = version;
            }
        }
    }

    void seen(const QByteArray& json, std::vector<std::vector<qint64>>& table, int page, qint64 at) {
        const auto [run, finished] = runOf(json);
        if (finished && run >= 0 && run < maxRuns && table[size_t(run)][size_t(page)] == 0)
            table[size_t(run)][size_t(page)] = at;
    }

    std::vector<std::shared_ptr<PollPage>> m_polling;
    quint16 m_port;
};

// The event's protocol: grows by one ranked row at every finish.
QList<QStringList> eventRows;

LiveSnapshotPtr snapshot(int run, bool running, qint32 finalMs) {
    auto s = std::make_shared<LiveSnapshot>();
    s->title = QStringLiteral("Clubrennen");
    s->startNr = QString::number(run);
    s->nextNr = QString::number(run + 1);
    s->running = running;
    s->startedAt = steadyNowMs();
    s->finalMs = finalMs;
    s->columns =
        QStringList{"Nr.", "Name", "Fahrzeug", "Gruppe", "Zw.Zeit", "Ø-km/h", "Vmax", "End-Zeit", "Zeit", "Platz"};
    if (eventRows.isEmpty()) {
        for (int i = 1; i <= protocolRows; ++i)
            eventRows.append({QString::number(i), QStringLiteral("Fahrer %1").arg(i), QStringLiteral("Wagen"),
                              QStringLiteral("Klasse %1").arg(i % 4), "2,345", "65,45", "72,00", "0,500", "5,500",
                              QString::number(i)});
    }
    // A finish ranks somewhere in the protocol; every row below it moves down one place.
    if (finalMs >= 0) {
        const qsizetype at = (qsizetype(run + 2) * 7919) % (eventRows.size() + 1);
        eventRows.insert(at, {QString::number(10000 + run), QStringLiteral("Fahrer %1").arg(10000 + run),
                              QStringLiteral("Wagen"), QStringLiteral("Klasse 1"), "2,345", "65,45", "72,00", "0,500",
                              "5,500", QString::number(at + 1)});
        for (qsizetype i = at + 1; i < eventRows.size(); ++i)
            eventRows[i][9] = QString::number(i + 1);
    }
    s->rows = eventRows;
    return s;
}

struct Phase {
    std::vector<qint64> stampDelay, handlerDelay, clockIntervals;
};

// Runs through the box: L1 closes (start), L2 changes every ~25 ms, L1 opens (finish).
Phase race(LiveServer& server, int runs) {
    SimulatedBarrierBox box(nanoseconds);
    SimulatedSerialSystem simulator(&box);
    SerialBackends backends(nullptr, &simulator);
    TComPort port(&backends, nanoseconds);
    port.setPort(64);
    port.setEvents(TEvents(evRing) | evCTS | evDSR | evRLSD);

    Phase phase;
    std::vector<qint64> stamps, handled;
    QSemaphore reports;
    int run = 0;
    port.OnDSR = [&](TComPort* sender) {
        handled.push_back(nanoseconds());
        stamps.push_back(sender->EventStamp());
        // As the main window does: a snapshot for the start and for the finish.
        const bool start = (sender->GetModemStatus() & 0x20) != 0;
        if (!start)
            finishPublished[size_t(run)] = nanoseconds();
        server.publish(snapshot(run, start, start ? -1 : 5500));
        reports.release();
    };
    port.OnRLSD = [&](TComPort* sender) {
        handled.push_back(nanoseconds());
        stamps.push_back(sender->EventStamp());
        reports.release();
    };
    port.Open();

    QTimer clock;
    clock.setTimerType(Qt::PreciseTimer);
    qint64 lastTick = 0;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        const qint64 now = nanoseconds();
        if (lastTick != 0)
            phase.clockIntervals.push_back(now - lastTick);
        lastTick = now;
    });
    clock.start(6);

    std::vector<qint64> changed;
    changed.reserve(size_t(runs * (splitsPerRun + 2)));
    QEventLoop loop;
    std::thread driver([&] {
        // Scheduled like the watcher, as in bench_com_port_latency: the box stands in for hardware.
        makeRealTime();
        const auto change = [&](int contact, bool closed) {
            changed.push_back(box.setContact(contact, closed));
            return reports.tryAcquire(1, 5000);
        };
        for (int r = 0; r < runs; ++r) {
            QMetaObject::invokeMethod(
                &loop, [&run, r] { run = r; }, Qt::BlockingQueuedConnection);
            if (!change(1, true))
                break;
            for (int i = 0; i < splitsPerRun; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
                change(2, i % 2 == 0);
            }
            change(1, false);
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    driver.join();
    clock.stop();
    port.Close();
    for (size_t i = 0; i < std::min(stamps.size(), changed.size()); ++i) {
        phase.stampDelay.push_back(stamps[i] - changed[i]);
        phase.handlerDelay.push_back(handled[i] - changed[i]);
    }
    return phase;
}

void printPhase(const char* name, const Phase& p) {
    const Distribution s = distribution(p.stampDelay);
    const Distribution h = distribution(p.handlerDelay);
    const Distribution c = distribution(p.clockIntervals);
    const auto late =
        std::count_if(p.clockIntervals.begin(), p.clockIntervals.end(), [](qint64 ns) { return ns > 8'000'000; });
    std::printf("%-22s stamp delay ms p50 %.3f p99 %.3f max %.3f (%zu) | handler p50 %.3f p99 %.3f max %.3f | "
                "6 ms clock p50 %.2f p99 %.2f max %.2f, %ld of %zu ticks over 8 ms\n",
                name, s.p50, s.p99, s.max, s.n, h.p50, h.p99, h.max, c.p50, c.p99, c.max, long(late), c.n);
}

void printFinish(const char* name, const std::vector<std::vector<qint64>>& seen, int runs, int withinMs) {
    std::vector<qint64> delays;
    size_t missed = 0;
    for (int r = 0; r < runs; ++r) {
        for (qint64 at : seen[size_t(r)]) {
            if (at == 0)
                ++missed;
            else
                delays.push_back(at - finishPublished[size_t(r)]);
        }
    }
    const Distribution d = distribution(delays);
    const auto over =
        std::count_if(delays.begin(), delays.end(), [withinMs](qint64 ns) { return ns > qint64(withinMs) * 1000000; });
    std::printf("%-22s finish seen after ms p50 %.1f p99 %.1f max %.1f; %ld of %zu over %d ms, %zu never\n", name,
                d.p50, d.p99, d.max, long(over), delays.size(), withinMs, missed);
}

void printAnswers(const char* name, const std::vector<qint64>& ns) {
    const Distribution d = distribution(ns);
    std::printf("%-22s answered in ms p50 %.2f p99 %.2f max %.2f (%zu requests)\n", name, d.p50, d.p99, d.max, d.n);
}

// The processor time the server's thread has used so far, in nanoseconds.
qint64 serverThreadCpu() {
    qint64 total = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return 0;
    while (const dirent* task = readdir(tasks)) {
        const QByteArray dir = QByteArray("/proc/self/task/") + task->d_name;
        QFile comm(QString::fromLatin1(dir + "/comm"));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "live results")
            continue;
        QFile stat(QString::fromLatin1(dir + "/schedstat"));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toLongLong();
    }
    closedir(tasks);
    return total;
}

} // namespace

qint64 residentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

// A raw socket that never reads more than it must; reconnected by the attack when closed.
int attackSocket(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    return bench_poll_page::connectToLoopback(fd, port);
}

// One attack from 20 sockets while the race runs: sends what it sends every 20 ms, opens a
// new socket for every one closed, and notes the highest resident memory.
struct Attack {
    const char* name;
    QByteArray opening; // sent once per socket
    QByteArray repeated;
    int perRound;
};

void attackDuringRace(LiveServer& server, const Attack& attack, int seconds) {
    std::atomic<bool> stop{false};
    std::atomic<qint64> highest{residentBytes()};
    std::atomic<int> reopened{0};
    const qint64 before = residentBytes();
    std::thread attacker([&] {
        std::vector<int> sockets(20, -1);
        std::vector<bool> opened(sockets.size(), false);
        char sink[4096];
        while (!stop) {
            for (size_t i = 0; i < sockets.size(); ++i) {
                if (sockets[i] < 0) {
                    sockets[i] = attackSocket(server.port());
                    opened[i] = false;
                }
                const int fd = sockets[i];
                bool lost = false;
                if (!opened[i]) {
                    opened[i] = ::send(fd, attack.opening.constData(), size_t(attack.opening.size()),
                                       MSG_NOSIGNAL | MSG_DONTWAIT) >= 0 ||
                                attack.opening.isEmpty();
                    if (!opened[i] && errno != EAGAIN && errno != ENOTCONN && errno != EINPROGRESS)
                        lost = true;
                    // The handshake's answer is read; nothing after it.
                    if (opened[i] && !attack.opening.isEmpty())
                        ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
                }
                for (int k = 0; opened[i] && !lost && k < attack.perRound; ++k) {
                    if (::send(fd, attack.repeated.constData(), size_t(attack.repeated.size()),
                               MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                        errno != EAGAIN && errno != EWOULDBLOCK)
                        lost = true;
                }
                if (lost) {
                    ::close(fd);
                    sockets[i] = -1;
                    ++reopened;
                }
            }
            highest = std::max(highest.load(), residentBytes());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        for (int fd : sockets) {
            if (fd >= 0)
                ::close(fd);
        }
    });
    const int runs = std::clamp(seconds * 1000 / (splitsPerRun * 25 + 600), 1, maxRuns);
    const Phase phase = race(server, runs);
    stop = true;
    attacker.join();
    std::printf("%-22s resident memory grew by at most %.1f MB; %d sockets closed by the server and reopened\n",
                attack.name, double(highest - before) / 1e6, reopened.load());
    printPhase(attack.name, phase);
}

// A ping as a browser would send it: masked, 120 bytes of payload.
QByteArray clientPing() {
    QByteArray frame("\x89", 1);
    frame.append(char(0x80 | 120));
    frame.append("\x01\x02\x03\x04", 4);
    frame.append(QByteArray(120, 'p'));
    return frame;
}

int attackMain(int seconds) {
    LiveServer server;
    QEventLoop wait;
    QObject::connect(&server, &LiveServer::started, &wait, &QEventLoop::quit);
    QTimer::singleShot(5000, &wait, &QEventLoop::quit);
    server.start(0, QHostAddress::LocalHost);
    wait.exec();
    if (!server.isListening())
        return 1;
    server.publish(snapshot(0, false, -1));
    std::printf("attacks of %d s each during a race, %d protocol rows\n", seconds, protocolRows);
    printPhase("no attack", race(server, std::clamp(seconds * 1000 / (splitsPerRun * 25 + 600), 1, maxRuns)));
    attackDuringRace(server, {"never reading", {}, "GET /api/state HTTP/1.1\r\nHost: x\r\n\r\n", 1}, seconds);
    attackDuringRace(server,
                     {"ping flood",
                      "GET /ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                      "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n",
                      clientPing(), 50},
                     seconds);
    return 0;
}

int serveMain(quint16 port, int seconds) {
    LiveServer server;
    server.start(port, QHostAddress::LocalHost);
    int run = 0;
    const auto next = [&] {
        server.publish(snapshot(run, true, -1));
        QTimer::singleShot(3000, &server, [&] {
            server.publish(snapshot(run, false, 5500));
            ++run;
        });
    };
    server.publish(snapshot(run++, false, 5500));
    QTimer runs;
    QObject::connect(&runs, &QTimer::timeout, &server, next);
    runs.start(4000);
    QTimer::singleShot(seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
    return QCoreApplication::exec();
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "serve") == 0) {
        protocolRows = argc > 3 ? std::clamp(atoi(argv[3]), 1, 20000) : 5000;
        return serveMain(quint16(argc > 2 ? atoi(argv[2]) : 8080), argc > 4 ? atoi(argv[4]) : 120);
    }
    if (argc > 1 && std::strcmp(argv[1], "attack") == 0) {
        protocolRows = argc > 3 ? std::clamp(atoi(argv[3]), 1, 20000) : 500;
        return attackMain(argc > 2 ? std::clamp(atoi(argv[2]), 1, 600) : 30);
    }
    const int runs = argc > 1 ? std::clamp(atoi(argv[1]), 1, maxRuns) : 8;
    protocolRows = argc > 2 ? std::clamp(atoi(argv[2]), 1, 20000) : 150;

    // The crowd comes from one address here; at an event every phone has its own.
    WebLimits limits;
    limits.maxPerAddress = limits.maxConnections;
    LiveServer server(limits);
    QEventLoop wait;
    QObject::connect(&server, &LiveServer::started, &wait, &QEventLoop::quit);
    QObject::connect(&server, &LiveServer::failed, &wait, &QEventLoop::quit);
    server.start(0, QHostAddress::LocalHost);
    QTimer::singleShot(5000, &wait, &QEventLoop::quit);
    wait.exec();
    if (!server.isListening()) {
        std::printf("the server did not start\n");
        return 1;
    }
    server.publish(snapshot(0, false, -1));

    std::printf("%d runs, each %d L2 changes 25 ms apart; %d protocol rows; %d push pages, %d pages polling every %d "
                "ms\n",
                runs, splitsPerRun, protocolRows, pushPages, pollPages, pollMs);
    printPhase("no pages", race(server, runs));
    // The pages join an event between runs: the first race's last finish is not one of theirs.
    server.publish(snapshot(-1, false, -1));

    QThread crowdThread;
    auto* crowd = new Crowd(server.port());
    crowd->moveToThread(&crowdThread);
    crowdThread.start();
    QMetaObject::invokeMethod(crowd, [crowd] { crowd->begin(); });
    QElapsedTimer joining;
    joining.start();
    while (crowd->pushOpen < pushPages && joining.elapsed() < 10000)
        QThread::msleep(50);
    std::printf("%d of %d push pages connected after %lld ms\n", crowd->pushOpen.load(), pushPages, joining.elapsed());
    QThread::msleep(1000); // every polling page has asked once

    const qint64 pushBefore = crowd->pushBytes, pollBefore = crowd->pollBytes;
    const qint64 cpuBefore = serverThreadCpu();
    QElapsedTimer racing;
    racing.start();
    const Phase busy = race(server, runs);
    QThread::msleep(1000); // the last finish reaches the polling pages
    const double cpuShare = double(serverThreadCpu() - cpuBefore) / 1e6 / double(racing.elapsed());
    const double pushPerRun = double(crowd->pushBytes - pushBefore) / pushPages / runs;
    const double pollPerRun = double(crowd->pollBytes - pollBefore) / pollPages / runs;
    std::vector<qint64> liveAnswers, protocolAnswers;
    std::vector<std::vector<qint64>> pushSeen, pollSeen;
    QMetaObject::invokeMethod(
        crowd,
        [&] {
            liveAnswers = crowd->liveAnswers;
            protocolAnswers = crowd->protocolAnswers;
            pushSeen = crowd->pushSeen;
            pollSeen = crowd->pollSeen;
            delete crowd;
        },
        Qt::BlockingQueuedConnection);
    crowdThread.quit();
    crowdThread.wait();
    printPhase("200 push + 200 polling", busy);
    printAnswers("/api/live", liveAnswers);
    printAnswers("/api/protocol", protocolAnswers);
    printFinish("push pages", pushSeen, runs, 500);
    printFinish("polling pages", pollSeen, runs, pollMs + 100);
    std::printf("%-22s bytes per page per run: push %.0f, polling %.0f\n", "traffic", pushPerRun, pollPerRun);
    std::printf("%-22s %.1f ms of processor time per second of the race with pages\n", "server thread",
                cpuShare * 1000);
    return 0;
}
