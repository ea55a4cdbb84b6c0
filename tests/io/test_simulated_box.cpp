#include "io/com_port.h"
#include "io/serial_backends.h"
#include "io/serial_system_simulated.h"
#include "io/simulated_barrier_box.h"
#include "io/simulator_command.h"
#include "io/simulator_server.h"
#include "thread_count.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <sys/ioctl.h>

#include <atomic>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

// The simulated barrier box behind COM64, driven through a real TComPort: wiring, pulses that
// must not get lost, ordered bursts, closing under load, and the command socket.
class TestSimulatedBox : public QObject {
    Q_OBJECT
private slots:
    void wiring_data();
    void wiring();
    void heldByOnePortAtATime();
    void shortPulseNeverLost_data();
    void shortPulseNeverLost();
    void thousandChangesArriveInOrder();
    void burstKeepsLevelsAlternating();
    void closeDuringBurst();
    void commands_data();
    void commands();
    void pulseCommand();
    void plugCommand();
    void plugFollowsOutputs();
    void plugDelayAndLoss();
    void socketPath();
    void socket();
    void socketPathTaken_data();
    void socketPathTaken();
};

namespace {

// A box on COM64 with a fake counter; OnDSR and OnRLSD note level and stamp.
struct Rig {
    std::atomic<qint64> ticks{0};
    EventCounterReader counter = [this] { return ++ticks; };
    SimulatedBarrierBox box;
    SimulatedSerialSystem simulator{&box};
    SerialBackends backends{nullptr, &simulator};
    TComPort port{&backends, counter};

    struct Seen {
        bool level;
        qint64 stamp;
    };
    QList<Seen> dsr;
    QList<Seen> rlsd;
    QSemaphore reports;

    explicit Rig(const QString& socketPath = {}) : box(counter, socketPath) {
        port.setPort(64);
        port.setEvents(TEvents(evRing) | evCTS | evDSR | evRLSD);
        port.OnDSR = [this](TComPort* p) {
            dsr.append({bool(p->GetModemStatus() & MS_DSR_ON), p->EventStamp()});
            reports.release();
        };
        port.OnRLSD = [this](TComPort* p) {
            rlsd.append({bool(p->GetModemStatus() & MS_RLSD_ON), p->EventStamp()});
            reports.release();
        };
    }
};

// Runs the event loop (handing over reports as they come) until `work`, on a thread of its
// own, has finished.
void runAlongside(const std::function<void()>& work) {
    QEventLoop loop;
    std::thread driver([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    driver.join();
}

QString contacts(const SimulatedBarrierBox& box) {
    QString out;
    for (int barrier = 1; barrier <= 4; ++barrier) {
        out += box.contact(barrier) ? QLatin1Char('1') : QLatin1Char('0');
    }
    return out;
}

} // namespace

void TestSimulatedBox::wiring_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("flow");
    QTest::addColumn<bool>("dtr");
    QTest::addColumn<QString>("closed");
    QTest::addColumn<QString>("status");
    QTest::addColumn<quint32>("modem");

    QTest::newRow("port closed: nothing powered") << false << int(fcNone) << true << "1234"
                                                  << "OPEN=0 DTR=0 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=0" << 0u;
    QTest::newRow("armed, no barrier") << true << int(fcNone) << true << ""
                                       << "OPEN=1 DTR=1 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=1" << 0u;
    QTest::newRow("armed: L1 and L2 live, L3 and L4 dead")
        << true << int(fcNone) << true << "1234"
        << "OPEN=1 DTR=1 RTS=0 DSR=1 RLSD=1 CTS=0 RING=0 LAMP=1" << 0xA0u;
    QTest::newRow("after the split: all live, lamp out")
        << true << int(fcRtsCts) << true << "1234"
        << "OPEN=1 DTR=1 RTS=1 DSR=1 RLSD=1 CTS=1 RING=1 LAMP=0" << 0xF0u;
    QTest::newRow("L3 alone") << true << int(fcRtsCts) << true << "3"
                              << "OPEN=1 DTR=1 RTS=1 DSR=0 RLSD=0 CTS=1 RING=0 LAMP=0" << 0x10u;
    QTest::newRow("L4 alone") << true << int(fcRtsCts) << true << "4"
                              << "OPEN=1 DTR=1 RTS=1 DSR=0 RLSD=0 CTS=0 RING=1 LAMP=0" << 0x40u;
    QTest::newRow("DTR disabled: L1 and L2 dead") << true << int(fcRtsCts) << false << "1234"
                                                  << "OPEN=1 DTR=0 RTS=1 DSR=0 RLSD=0 CTS=1 RING=1 LAMP=0" << 0x50u;
}

void TestSimulatedBox::wiring() {
    QFETCH(bool, open);
    QFETCH(int, flow);
    QFETCH(bool, dtr);
    QFETCH(QString, closed);
    QFETCH(QString, status);
    QFETCH(quint32, modem);

    Rig rig;
    for (QChar c : closed) {
        rig.box.setContact(c.digitValue(), true);
    }
    rig.port.setFlowControl(TFlowControl(flow));
    rig.port.setEnableDTR(dtr);
    if (open) {
        rig.port.Open();
    }
    QCOMPARE(rig.box.statusText(), status);
    QCOMPARE(rig.port.GetModemStatus(), modem);
}

void TestSimulatedBox::heldByOnePortAtATime() {
    Rig rig;
    TComPort second(&rig.backends);
    second.setPort(64);
    rig.port.Open();
    try {
        second.Open();
        QFAIL("a second port opened the box");
    } catch (const EComHandle& e) {
        QCOMPARE(e.Message(), QStringLiteral("Unable to open com port: Device or resource busy"));
    }
    rig.port.Close();
    second.Open();
    QVERIFY(rig.box.lines().open);
    second.Close();
    QVERIFY(!rig.box.lines().open);
}

void TestSimulatedBox::shortPulseNeverLost_data() {
    QTest::addColumn<int>("pulseMs");
    QTest::newRow("2 ms") << 2;
    QTest::newRow("no time at all") << 0;
}

void TestSimulatedBox::shortPulseNeverLost() {
    QFETCH(int, pulseMs);
    constexpr int pulses = 300;
    Rig rig;
    rig.port.Open();
    runAlongside([&] {
        for (int i = 0; i < pulses; ++i) {
            rig.box.setContact(1, true);
            std::this_thread::sleep_for(std::chrono::milliseconds(pulseMs));
            rig.box.setContact(1, false);
            // The pulse's two reports before the next pulse.
            if (!rig.reports.tryAcquire(2, 5000)) {
                return;
            }
        }
    });
    QCOMPARE(rig.dsr.size(), 2 * pulses);
    for (int i = 0; i < rig.dsr.size(); ++i) {
        QVERIFY2(rig.dsr[i].level == (i % 2 == 0), qPrintable(QString::number(i)));
    }
}

void TestSimulatedBox::thousandChangesArriveInOrder() {
    constexpr int changes = 1000;
    Rig rig;
    rig.port.Open();
    QList<qint64> changedAt(changes);
    runAlongside([&] {
        for (int i = 0; i < changes; ++i) {
            changedAt[i] = rig.box.setContact(2, i % 2 == 0);
            if (!rig.reports.tryAcquire(1, 5000)) {
                return;
            }
        }
    });
    QCOMPARE(rig.rlsd.size(), changes);
    for (int i = 0; i < changes; ++i) {
        QVERIFY2(rig.rlsd[i].level == (i % 2 == 0), qPrintable(QString::number(i)));
        QVERIFY(rig.rlsd[i].stamp > changedAt[i]);
        if (i > 0) {
            QVERIFY(rig.rlsd[i].stamp >= rig.rlsd[i - 1].stamp);
        }
    }
}

void TestSimulatedBox::burstKeepsLevelsAlternating() {
    // Changes come faster than the hand-overs: several fall into one wake-up, and the reports
    // still alternate and end on the present level.
    Rig rig;
    rig.port.Open();
    std::thread driver([&] {
        for (int i = 0; i < 1001; ++i) {
            rig.box.setContact(1, i % 2 == 0);
        }
    });
    driver.join();
    QTRY_VERIFY(!rig.dsr.isEmpty() && rig.dsr.last().level && rig.box.lines().dsr);
    QVERIFY(rig.dsr[0].level);
    for (int i = 1; i < rig.dsr.size(); ++i) {
        QVERIFY(rig.dsr[i].level != rig.dsr[i - 1].level);
        QVERIFY(rig.dsr[i].stamp >= rig.dsr[i - 1].stamp);
    }
}

void TestSimulatedBox::closeDuringBurst() {
    QTRY_COMPARE(watcherThreads(), 0); // earlier tests' ports
    const int threadsBefore = threadCount();
    Rig rig;
    rig.port.Open();
    std::atomic<bool> stop{false};
    std::thread driver([&] {
        for (int i = 0; !stop; ++i) {
            rig.box.setContact(1, i % 2 == 0);
            std::this_thread::yield();
        }
    });
    QTRY_VERIFY(rig.dsr.size() >= 20);
    QElapsedTimer timer;
    timer.start();
    rig.port.Close();
    const qint64 took = timer.elapsed();
    stop = true;
    driver.join();
    QVERIFY2(took < 50, qPrintable(QString::number(took)));
    QVERIFY(!rig.port.Connected());
    const int seen = rig.dsr.size();
    QCoreApplication::processEvents();
    QCOMPARE(rig.dsr.size(), seen); // nothing fires after Close
    QTRY_COMPARE(threadCount(), threadsBefore);
}

void TestSimulatedBox::commands_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("contacts");

    QTest::newRow("close and open") << QStringList{"L1 close", "L4 close", "L1 open"} << QStringList{"OK", "OK", "OK"}
                                    << "0001";
    QTest::newRow("loose spacing and case") << QStringList{"  l2   CLOSE "} << QStringList{"OK"} << "0100";
    QTest::newRow("status") << QStringList{"L1 close", "status"}
                            << QStringList{"OK", "OPEN=1 DTR=1 RTS=0 DSR=1 RLSD=0 CTS=0 RING=0 LAMP=1"} << "1000";
    QTest::newRow("bad commands change nothing")
        << QStringList{"L3 close",   "L5 close",   "L1 shut",        "L1", "L1 close now", "L1 pulse",
                       "L1 pulse x", "L1 pulse 0", "L1 pulse 60001", "",   "\xff\xfe\x01", "status please"}
        << QStringList{"OK", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR", "ERR"} << "0010";
}

void TestSimulatedBox::commands() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, answers);
    QFETCH(QString, contacts);

    Rig rig;
    rig.port.Open();
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray answer = runSimulatorCommand(rig.box, lines[i].toLatin1());
        if (answers[i] == QLatin1String("ERR")) {
            QVERIFY2(answer.startsWith("ERR ") && answer.size() > 4, answer.constData());
        } else {
            QCOMPARE(QString::fromLatin1(answer), answers[i]);
        }
    }
    QCOMPARE(::contacts(rig.box), contacts);
}

void TestSimulatedBox::pulseCommand() {
    Rig rig;
    rig.port.Open();
    QCOMPARE(runSimulatorCommand(rig.box, "L1 pulse 30"), QByteArray("OK"));
    QVERIFY(rig.box.contact(1));
    QTRY_VERIFY(!rig.box.contact(1));
    QTRY_COMPARE(rig.dsr.size(), 2);

    // A later command for the same barrier wins over the pending reopen.
    QCOMPARE(runSimulatorCommand(rig.box, "L2 pulse 20"), QByteArray("OK"));
    QCOMPARE(runSimulatorCommand(rig.box, "L2 close"), QByteArray("OK"));
    QTest::qWait(100);
    QVERIFY(rig.box.contact(2));
}

void TestSimulatedBox::plugCommand() {
    Rig rig;
    QCOMPARE(runSimulatorCommand(rig.box, "plug on delay 0.2 jitter 0.1 lose 5"), QByteArray("OK"));
    QCOMPARE(rig.box.loopbackPlug(), (LoopbackPlug{true, 200, 100, 5}));
    QCOMPARE(runSimulatorCommand(rig.box, "PLUG ON"), QByteArray("OK"));
    QCOMPARE(rig.box.loopbackPlug(), (LoopbackPlug{true, 0, 0, 0}));
    for (const char* bad : {"plug", "plug maybe", "plug on delay", "plug on delay -1", "plug on delay 1001",
                            "plug on jitter x", "plug on lose -2", "plug on speed 3", "plug off now"}) {
        const QByteArray answer = runSimulatorCommand(rig.box, bad);
        QVERIFY2(answer.startsWith("ERR "), bad);
    }
    QCOMPARE(rig.box.loopbackPlug(), (LoopbackPlug{true, 0, 0, 0})); // a refused command changes nothing
    QCOMPARE(runSimulatorCommand(rig.box, "plug off"), QByteArray("OK"));
    QVERIFY(!rig.box.loopbackPlug().plugged);
    // The barrier commands are as they were.
    QCOMPARE(runSimulatorCommand(rig.box, "L1 close"), QByteArray("OK"));
    QVERIFY(rig.box.contact(1));
}

void TestSimulatedBox::plugFollowsOutputs() {
    Rig rig;
    rig.box.setContact(3, true); // a contact means nothing while the plug is in
    rig.box.setLoopbackPlug({true, 0, 0, 0});
    QVERIFY(rig.box.acquire());
    // Opening raises DTR and RTS: every input follows at once.
    QCOMPARE(rig.box.statusText(), QStringLiteral("OPEN=1 DTR=1 RTS=1 DSR=1 RLSD=1 CTS=1 RING=1 LAMP=0"));
    rig.box.changeOutputs(0, TIOCM_RTS);
    QCOMPARE(rig.box.statusText(), QStringLiteral("OPEN=1 DTR=1 RTS=0 DSR=1 RLSD=1 CTS=0 RING=1 LAMP=1"));
    rig.box.changeOutputs(TIOCM_RTS, TIOCM_DTR);
    QCOMPARE(rig.box.statusText(), QStringLiteral("OPEN=1 DTR=0 RTS=1 DSR=0 RLSD=0 CTS=1 RING=0 LAMP=0"));
    const LineCounters counts = rig.box.counters();
    QCOMPARE(counts.cts, 3);
    QCOMPARE(counts.dsr, 2);
    QCOMPARE(counts.rng, 2);
    // Out again: the contacts count.
    rig.box.setLoopbackPlug({});
    QCOMPARE(rig.box.statusText(), QStringLiteral("OPEN=1 DTR=0 RTS=1 DSR=0 RLSD=0 CTS=1 RING=0 LAMP=0"));
    rig.box.setContact(3, false);
    QVERIFY(!rig.box.lines().cts);
    rig.box.release();
}

void TestSimulatedBox::plugDelayAndLoss() {
    Rig rig;
    QVERIFY(rig.box.acquire());
    rig.box.setLoopbackPlug({true, 30000, 0, 0});
    QVERIFY(!rig.box.lines().cts); // the outputs' levels arrive 30 ms after plugging in
    QTRY_VERIFY_WITH_TIMEOUT(rig.box.lines().cts && rig.box.lines().ring, 5000);
    rig.box.changeOutputs(0, TIOCM_RTS);
    QVERIFY(rig.box.lines().cts); // still on its way
    QTRY_VERIFY_WITH_TIMEOUT(!rig.box.lines().cts, 5000);

    // The second input change from now is lost: RI keeps its level, so the change back is no change.
    rig.box.setLoopbackPlug({true, 0, 0, 2});
    rig.box.changeOutputs(0, TIOCM_DTR); // DSR (1st) changes, RLSD (2nd) is lost, RING changes
    SimulatedLines lines = rig.box.lines();
    QVERIFY(!lines.dsr && lines.rlsd && !lines.ring);
    const int rlsdCount = rig.box.counters().dcd;
    rig.box.changeOutputs(TIOCM_DTR, 0);
    lines = rig.box.lines();
    QVERIFY(lines.dsr && lines.rlsd && lines.ring);
    QCOMPARE(rig.box.counters().dcd, rlsdCount);
    rig.box.release();
}

void TestSimulatedBox::socketPath() {
    QTemporaryDir runtime;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QCOMPARE(simulatorSocketPath("tarvolt-test"), runtime.filePath("tarvolt-test-simulator"));
    qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(simulatorSocketPath("tarvolt-test"), QDir(QDir::tempPath()).filePath("tarvolt-test-simulator"));
    qputenv("XDG_RUNTIME_DIR", saved);
}

void TestSimulatedBox::socket() {
    QTemporaryDir runtime;
    const QString path = runtime.filePath("tarvolt-test-simulator");
    Rig rig(path);
    QVERIFY(!QFileInfo::exists(path)); // only once a port opens the box
    rig.port.Open();
    QVERIFY(rig.box.isListening());
    struct stat info {};
    QCOMPARE(stat(path.toLocal8Bit().constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);

    auto ask = [&](QLocalSocket& client, const QByteArray& send, int lines) {
        client.write(send);
        QStringList answers;
        (void)QTest::qWaitFor(
            [&] {
                while (client.canReadLine()) {
                    answers << QString::fromLatin1(client.readLine()).trimmed();
                }
                return answers.size() >= lines;
            },
            5000);
        return answers;
    };

    QLocalSocket client;
    client.connectToServer(path);
    QTRY_COMPARE(client.state(), QLocalSocket::ConnectedState);
    QCOMPARE(ask(client, "L1 close\nstatus\n", 2),
             (QStringList{"OK", "OPEN=1 DTR=1 RTS=0 DSR=1 RLSD=0 CTS=0 RING=0 LAMP=1"}));
    QTRY_COMPARE(rig.dsr.size(), 1);
    const QStringList garbage = ask(client, "\x01\x02\x7f\r\n", 1);
    QCOMPARE(garbage.size(), 1);
    QVERIFY(garbage[0].startsWith("ERR "));

    // A client that leaves in the middle of a line changes nothing.
    QLocalSocket leaving;
    leaving.connectToServer(path);
    QTRY_COMPARE(leaving.state(), QLocalSocket::ConnectedState);
    leaving.write("L2 clo");
    leaving.flush();
    leaving.disconnectFromServer();
    QCOMPARE(ask(client, "status\n", 1), QStringList{"OPEN=1 DTR=1 RTS=0 DSR=1 RLSD=0 CTS=0 RING=0 LAMP=1"});

    // The socket stays while the program runs, port open or not.
    rig.port.Close();
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(ask(client, "status\n", 1), QStringList{"OPEN=0 DTR=0 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=0"});
}

void TestSimulatedBox::socketPathTaken_data() {
    QTest::addColumn<QString>("occupant");
    QTest::addColumn<bool>("listens");
    QTest::newRow("socket of a crashed run: replaced") << "stale socket" << true;
    QTest::newRow("a file: kept") << "file" << false;
    QTest::newRow("a link: kept") << "link" << false;
    QTest::newRow("a running program's socket: kept") << "live socket" << false;
}

void TestSimulatedBox::socketPathTaken() {
    QFETCH(QString, occupant);
    QFETCH(bool, listens);
    QTemporaryDir runtime;
    const QString path = runtime.filePath("tarvolt-test-simulator");
    const QByteArray name = QFile::encodeName(path);
    QLocalServer other;
    if (occupant == "stale socket") {
        // Bound and never unlinked: what a crash leaves.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    } else if (occupant == "file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    } else if (occupant == "link") {
        QVERIFY(QFile::link(runtime.filePath("elsewhere"), path));
    } else {
        QVERIFY(other.listen(path));
    }

    Rig rig(path);
    rig.port.Open();
    QCOMPARE(rig.box.isListening(), listens);
    struct stat info {};
    QCOMPARE(lstat(name.constData(), &info), 0);
    if (occupant == "file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    } else if (occupant == "link") {
        QVERIFY(S_ISLNK(info.st_mode));
    } else {
        QVERIFY(S_ISSOCK(info.st_mode));
        QLocalSocket client;
        client.connectToServer(path);
        QVERIFY(client.waitForConnected(1000));
        if (occupant == "live socket") {
            QVERIFY(other.waitForNewConnection(1000));
        }
    }
}

QTEST_GUILESS_MAIN(TestSimulatedBox)
#include "test_simulated_box.moc"
