#include "fake_serial_system.h"
#include "io/com_port.h"
#include "io/serial_backends.h"
#include "thread_count.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <sched.h>
#include <stdexcept>
#include <thread>

// TComPort against a fake tty: properties, open and close, the watcher's paths (EINTR, no
// TIOCMIWAIT, no counters, lost device), the hand-over and its refusals.
class TestComPort : public QObject {
    Q_OBJECT
private slots:
    void creationValues();
    void dataBitsClamped_data();
    void dataBitsClamped();
    void settingsReachTheLine_data();
    void settingsReachTheLine();
    void openAndCloseFireInOrder();
    void failedOpenFiresNothing();
    void refusedPermissionNamesTheGroup();
    void dispatchOrder();
    void eventCarriesStampAndWord();
    void oneReportFiresCtsBeforeDsr();
    void shortPulseGivesBothLevels();
    void changeWhileHandlersRunKeepsItsMoment();
    void lateCountsInventNothing_data();
    void lateCountsInventNothing();
    void changeJustBeforeTheWaitIsStampedInTime();
    void waitsOnTheFourLines();
    void quietLineCostsNothing();
    void watcherRunsAheadOnceOpenReturns();
    void glitchNoCountCarriesSwallowsNoLaterPulse();
    void polledChangeStampedAfterItHappened();
    void pollsFollowEachOtherWithinAMillisecond();
    void interruptedWaitGoesOn();
    void noModemWaitFallsBackToPolling();
    void noCountersComparesLevels();
    void waitThatNeverBlocksFallsBackToPolling();
    void ringGoingActiveOnBuiltInPortIsSeen();
    void ringReadByLevelOnlyWhenItsChangeIsNeeded_data();
    void ringReadByLevelOnlyWhenItsChangeIsNeeded();
    void pulledAdapterLeavesProgramRunning();
    void handlerExceptionEndsWatcher();
    void openAndCloseInsideHandlerRefused();
    void closeWhileHandOverIsQueued();
};

namespace {

constexpr TEvents fourEvents = TEvents(evRing) | evCTS | evDSR | evRLSD;

// A port on a fake tty with a fake counter; handlers log "DSR 20 @stamp".
struct Rig {
    FakeSerialSystem fake;
    SerialBackends backends{&fake, &fake};
    std::atomic<qint64> ticks{100};
    QSemaphore wakeUps;
    TComPort port{&backends, [this] {
                      wakeUps.release();
                      return ++ticks;
                  }};
    QStringList events;

    explicit Rig(int portNumber = 17) {
        port.setPort(quint8(portNumber));
        port.setEvents(fourEvents);
        auto log = [this](const char* name) {
            return [this, name](TComPort* sender) {
                events << QStringLiteral("%1 %2 @%3")
                              .arg(QLatin1String(name))
                              .arg(sender->GetModemStatus(), 0, 16)
                              .arg(sender->EventStamp());
            };
        };
        port.OnRing = log("RING");
        port.OnCTS = log("CTS");
        port.OnDSR = log("DSR");
        port.OnRLSD = log("RLSD");
        port.OnOpen = [this](TComPort*) { events << QStringLiteral("open"); };
        port.OnClose = [this](TComPort*) { events << QStringLiteral("close"); };
    }
};

class DispatchProbe : public TComPort {
public:
    using TComPort::DispatchEvents;
    using TComPort::TComPort;
};

} // namespace

void TestComPort::creationValues() {
    TComPort port(nullptr);
    QCOMPARE(port.BaudRate(), br9600);
    QCOMPARE(port.BaudRateUser(), 9600);
    QCOMPARE(port.Port(), quint8(1));
    QCOMPARE(port.FlowControl(), fcNone);
    QCOMPARE(port.DataBits(), quint8(8));
    QCOMPARE(systemEventMask(port.Events()), 0x01FFu);
    QVERIFY(port.EnableDTR());
    QCOMPARE(port.WriteBufSize(), 2048);
    QCOMPARE(port.ReadBufSize(), 2048);
    QVERIFY(!port.Connected());
    QCOMPARE(port.GetModemStatus(), 0u);
    // The program's four events select exactly the four line bits.
    QCOMPARE(systemEventMask(fourEvents), 0x0138u);
}

void TestComPort::dataBitsClamped_data() {
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("stored");
    QTest::newRow("9") << 9 << 8;
    QTest::newRow("4") << 4 << 5;
    QTest::newRow("7") << 7 << 7;
    QTest::newRow("300") << 300 << 8;
}

void TestComPort::dataBitsClamped() {
    QFETCH(int, written);
    QFETCH(int, stored);
    TComPort port(nullptr);
    port.setDataBits(written);
    QCOMPARE(int(port.DataBits()), stored);
}

void TestComPort::settingsReachTheLine_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("userRate");
    QTest::addColumn<int>("writeBuffer");
    QTest::addColumn<int>("lineRate");
    QTest::newRow("user rate") << int(brUser) << 28800 << 64 << 28800;
    QTest::newRow("9600") << int(br9600) << 28800 << 2048 << 9600;
    QTest::newRow("256000") << int(br256000) << 0 << 10 << 256000;
}

void TestComPort::settingsReachTheLine() {
    QFETCH(int, rate);
    QFETCH(int, userRate);
    QFETCH(int, writeBuffer);
    QFETCH(int, lineRate);
    Rig rig;
    rig.port.setBaudRate(TBaudRate(rate));
    rig.port.setBaudRateUser(userRate);
    rig.port.setWriteBufSize(writeBuffer);
    rig.port.Open();
    QCOMPARE(int(rig.fake.lastAttributes().c_ospeed), lineRate);
    QCOMPARE(rig.fake.log().first(), QStringLiteral("open /dev/ttyUSB0"));
}

void TestComPort::openAndCloseFireInOrder() {
    Rig rig;
    rig.port.Close();
    QCOMPARE(rig.events, QStringList{});

    rig.port.Open();
    QVERIFY(rig.port.Connected());
    QVERIFY(rig.port.Watching());
    rig.port.Open();
    rig.port.Close();
    QCOMPARE(rig.events, (QStringList{"open", "close", "open", "close"}));
    QVERIFY(!rig.port.Connected());
    QVERIFY(!rig.fake.isOpen());
}

void TestComPort::failedOpenFiresNothing() {
    Rig rig;
    rig.fake.failNext(QStringLiteral("open"), ENOENT);
    QVERIFY_THROWS_EXCEPTION(EComHandle, rig.port.Open());
    QVERIFY(!rig.port.Connected());
    QCOMPARE(rig.events, QStringList{});

    // From an open port: the close still happens, the new open does not.
    rig.port.Open();
    rig.fake.failNext(QStringLiteral("TCSETS2"), EINVAL);
    QVERIFY_THROWS_EXCEPTION(EComState, rig.port.Open());
    QCOMPARE(rig.events, (QStringList{"open", "close"}));
    QVERIFY(!rig.port.Connected());
    QVERIFY(!rig.fake.isOpen());
}

void TestComPort::refusedPermissionNamesTheGroup() {
    Rig rig;
    rig.fake.failNext(QStringLiteral("open"), EACCES);
    try {
        rig.port.Open();
        QFAIL("opened without permission");
    } catch (const EComHandle& e) {
        QCOMPARE(e.Message(),
                 QStringLiteral("Keine Berechtigung für /dev/ttyUSB0. Der Benutzer muss zur Gruppe dialout gehören."));
    }
    QVERIFY(!rig.port.Connected());
}

void TestComPort::dispatchOrder() {
    DispatchProbe port(nullptr);
    QStringList fired;
    auto log = [&](const char* name) { return [&fired, name](TComPort*) { fired << QLatin1String(name); }; };
    port.OnRxChar = [&](TComPort*, qint32) { fired << QStringLiteral("RxChar"); };
    port.OnTxEmpty = log("TxEmpty");
    port.OnBreak = log("Break");
    port.OnRing = log("Ring");
    port.OnCTS = log("CTS");
    port.OnDSR = log("DSR");
    port.OnRxFlag = log("RxFlag");
    port.OnRLSD = log("RLSD");
    port.OnError = log("Error");
    port.DispatchEvents(0x01FF);
    QCOMPARE(fired, (QStringList{"RxChar", "TxEmpty", "Break", "Ring", "CTS", "DSR", "RxFlag", "RLSD", "Error"}));

    fired.clear();
    port.OnCTS = nullptr; // an empty slot is skipped
    port.DispatchEvents(EV_CTS | EV_DSR);
    QCOMPARE(fired, QStringList{"DSR"});
}

void TestComPort::eventCarriesStampAndWord() {
    Rig rig;
    quint32 live = 0;
    qint64 stamp = 0;
    rig.port.OnDSR = [&](TComPort* sender) {
        if (stamp) {
            return; // the drop below comes as a report of its own
        }
        stamp = sender->EventStamp();
        // The line drops again while the handler runs: the handler still sees the level of
        // its own report.
        rig.fake.setInputs(0);
        live = sender->GetModemStatus();
    };
    rig.port.Open();
    const qint64 before = rig.ticks;
    rig.fake.setInputs(TIOCM_DSR);
    QTRY_VERIFY(stamp != 0);
    QCOMPARE(live, quint32(MS_DSR_ON));
    QVERIFY(stamp > before);
    QCOMPARE(rig.port.EventStamp(), 0);
    QCOMPARE(rig.port.GetModemStatus(), 0u); // read now, outside a dispatch
}

void TestComPort::oneReportFiresCtsBeforeDsr() {
    Rig rig;
    rig.port.Open();
    rig.fake.setInputs(TIOCM_CTS | TIOCM_DSR);
    QTRY_COMPARE(rig.events.size(), 3);
    QCOMPARE(rig.events[1].left(6), QStringLiteral("CTS 30"));
    QCOMPARE(rig.events[2].left(6), QStringLiteral("DSR 30"));
    QCOMPARE(rig.events[1].section('@', 1), rig.events[2].section('@', 1));
}

void TestComPort::shortPulseGivesBothLevels() {
    Rig rig;
    rig.port.Open();
    rig.fake.pulse(TIOCM_DSR);
    QTRY_COMPARE(rig.events.size(), 3);
    QCOMPARE(rig.events[1].left(6), QStringLiteral("DSR 20"));
    QCOMPARE(rig.events[2].left(5), QStringLiteral("DSR 0"));
    QCOMPARE(rig.events[1].section('@', 1), rig.events[2].section('@', 1));
}

void TestComPort::changeWhileHandlersRunKeepsItsMoment() {
    FakeSerialSystem fake;
    SerialBackends backends(&fake, &fake);
    auto microseconds = [] {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    TComPort port(&backends, microseconds);
    port.setPort(17);
    port.setEvents(TEvents(evDSR) | evCTS | evRLSD);
    QList<qint64> changedAt;
    QList<qint64> stamps;
    port.OnCTS = [&](TComPort* sender) { stamps << sender->EventStamp(); };
    port.OnRLSD = [&](TComPort* sender) { stamps << sender->EventStamp(); };
    port.OnDSR = [&](TComPort* sender) {
        stamps << sender->EventStamp();
        // CTS, then RLSD change while this handler still keeps the GUI thread busy.
        for (int inputs : {TIOCM_DSR | TIOCM_CTS, TIOCM_DSR | TIOCM_CTS | TIOCM_CAR}) {
            changedAt << microseconds();
            fake.setInputs(inputs);
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
        }
    };
    port.Open();
    fake.setInputs(TIOCM_DSR);
    QTRY_COMPARE(stamps.size(), 3);
    // Each stamped when it happened (give or take the millisecond look), not when the handler
    // returned, and not with the stamp of the other.
    for (int i = 0; i < 2; ++i) {
        const qint64 late = stamps[i + 1] - changedAt[i];
        QVERIFY2(late >= 0 && late < 60000, qPrintable(QString::number(late)));
    }
}

namespace {

// Waits until every late count has arrived and the watcher has looked at them, then runs what
// it queued.
void settle(Rig& rig) {
    QTRY_VERIFY(rig.fake.countsSettled());
    const int reads = rig.fake.modemReads();
    QTRY_VERIFY(rig.fake.waitingOnPresentCounts() || rig.fake.modemReads() >= reads + 2);
    QCoreApplication::processEvents();
}

QStringList withoutStamps(const QStringList& events) {
    QStringList out;
    for (const QString& event : events) {
        out << event.section(QLatin1String(" @"), 0, 0);
    }
    return out;
}

} // namespace

void TestComPort::lateCountsInventNothing_data() {
    QTest::addColumn<int>("lag");
    QTest::addColumn<bool>("waitSupported");
    for (int lag : {0, 1, 5}) {
        QTest::addRow("counts %d ms late", lag) << lag << true;
        // Polling reads the levels first and meets every count late.
        QTest::addRow("counts %d ms late, no TIOCMIWAIT", lag) << lag << false;
    }
}

void TestComPort::lateCountsInventNothing() {
    QFETCH(int, lag);
    QFETCH(bool, waitSupported);
    Rig rig;
    if (!waitSupported) {
        rig.fake.failNext(QStringLiteral("TIOCMIWAIT"), ENOTTY, -1);
    }
    rig.fake.setCountLag(lag);
    // Reopened with RTS after the split: CTS and RING come on with the power, their counts
    // follow after Open.
    rig.fake.setInputs(TIOCM_CTS | TIOCM_RNG);
    rig.port.Open();
    settle(rig);
    QCOMPARE(rig.events, QStringList{"open"});

    rig.fake.setInputs(TIOCM_CTS | TIOCM_RNG | TIOCM_DSR);
    QTRY_COMPARE(rig.events.size(), 2);
    rig.fake.setInputs(TIOCM_CTS);
    QTRY_COMPARE(rig.events.size(), 4);
    settle(rig);
    QCOMPARE(withoutStamps(rig.events), (QStringList{"open", "DSR 70", "RING 10", "DSR 10"}));

    // Whether the watcher sees the level or only the counts, a short pulse is one active and
    // one idle report, however long it really lasts.
    rig.fake.setInputs(TIOCM_CTS | TIOCM_DSR);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    rig.fake.setInputs(TIOCM_CTS);
    settle(rig);
    QCOMPARE(withoutStamps(rig.events.mid(4)), (QStringList{"DSR 30", "DSR 10"}));
}

void TestComPort::changeJustBeforeTheWaitIsStampedInTime() {
    // A change between the count read and the start of the wait must not be slept through: it
    // is stamped within a millisecond of driver time.
    FakeSerialSystem fake;
    SerialBackends backends(&fake, &fake);
    TComPort port(&backends, [&fake] { return fake.driverMicroseconds(); });
    port.setPort(17);
    port.setEvents(TEvents(evDSR) | evCTS);
    qint64 stamp = 0;
    port.OnDSR = [&](TComPort* sender) { stamp = sender->EventStamp(); };
    port.Open();
    QTRY_COMPARE(fake.waits(), 1);
    // The next wait begins after the CTS report.
    fake.setInputsBeforeNextWait(TIOCM_CTS | TIOCM_DSR);
    fake.setInputs(TIOCM_CTS);
    QTRY_VERIFY(stamp != 0);
    const qint64 late = stamp - fake.changedBeforeWaitAt();
    QVERIFY2(late >= 0 && late <= 1000, qPrintable(QString::number(late)));
}

void TestComPort::waitsOnTheFourLines() {
    Rig rig;
    rig.port.Open();
    QTRY_VERIFY(rig.fake.waits() >= 1);
    QCOMPARE(rig.fake.waitLines(), TIOCM_RNG | TIOCM_DSR | TIOCM_CAR | TIOCM_CTS);
}

void TestComPort::quietLineCostsNothing() {
    // Armed and idle on a laptop's battery: one wait, no time limit, no reads of the levels
    // (a USB round trip on some adapters) until something changes.
    Rig rig;
    rig.port.Open();
    const int readsAtOpen = rig.fake.modemReads();
    QTRY_COMPARE(rig.fake.waits(), 1);
    QTest::qWait(200);
    QCOMPARE(rig.fake.waits(), 1);
    QCOMPARE(rig.fake.waitTimeoutUs(), -1);
    QCOMPARE(rig.fake.modemReads(), readsAtOpen);
    rig.fake.setInputs(TIOCM_DSR);
    QTRY_COMPARE(rig.events.size(), 2);
    QVERIFY(rig.events[1].startsWith(QStringLiteral("DSR 20")));
    QTRY_COMPARE(rig.fake.waits(), 2);
}

namespace {

// Threads of this process scheduled SCHED_FIFO.
int realTimeThreads() {
    int count = 0;
    const QStringList tids = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& tid : tids) {
        count += sched_getscheduler(tid.toInt()) == SCHED_FIFO;
    }
    return count;
}

} // namespace

void TestComPort::watcherRunsAheadOnceOpenReturns() {
    // A new thread starts as an ordinary one. On one processor, with the GUI thread going on
    // after Open, it would wait its turn before it takes real-time scheduling, while a change
    // waits for its stamp: Open returns once the watcher runs ahead.
    sched_param probe{};
    probe.sched_priority = sched_get_priority_min(SCHED_FIFO);
    std::atomic<bool> allowed{false};
    std::thread([&] { allowed = pthread_setschedparam(pthread_self(), SCHED_FIFO, &probe) == 0; }).join();
    if (!allowed) {
        QSKIP("real-time scheduling is not allowed here");
    }
    cpu_set_t all;
    QCOMPARE(sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    QCOMPARE(sched_setaffinity(0, sizeof one, &one), 0);
    const int before = realTimeThreads();
    Rig rig;
    rig.port.Open();
    const int after = realTimeThreads();
    rig.port.Close();
    sched_setaffinity(0, sizeof all, &all);
    QCOMPARE(after, before + 1);
}

void TestComPort::glitchNoCountCarriesSwallowsNoLaterPulse() {
    // An ftdi adapter reads levels live but counts from its status packets. A look woken by CTS
    // catches a short DSR glitch that no packet carries; the DSR counts stay two short of the
    // reported changes. A real pulse later, seen only in the counts, must still be reported.
    Rig rig;
    rig.port.Open();
    rig.fake.setInputsUncounted(TIOCM_DSR);
    rig.fake.setInputs(TIOCM_DSR | TIOCM_CTS);
    QTRY_COMPARE(rig.events.size(), 3);
    rig.fake.setInputsUncounted(TIOCM_CTS);
    rig.fake.setInputs(0);
    QTRY_COMPARE(rig.events.size(), 5);
    QCOMPARE(withoutStamps(rig.events), (QStringList{"open", "CTS 30", "DSR 30", "CTS 0", "DSR 0"}));

    QTest::qWait(50); // longer than any adapter's counts can lag
    rig.fake.pulse(TIOCM_DSR);
    QTRY_COMPARE(rig.events.size(), 7);
    QCOMPARE(withoutStamps(rig.events.mid(5)), (QStringList{"DSR 20", "DSR 0"}));
}

namespace {

// A cp210x: no TIOCMIWAIT, so the levels are read in turn, each read a USB transfer of `readUs`.
// Stamps are the fake's steady microseconds.
struct PolledRig {
    FakeSerialSystem fake;
    SerialBackends backends{&fake, &fake};
    TComPort port{&backends, [] { return FakeSerialSystem::steadyMicroseconds(); }};
    QList<qint64> stamps;

    explicit PolledRig(int readUs) {
        fake.failNext(QStringLiteral("TIOCMIWAIT"), ENOTTY, -1);
        fake.setModemReadUs(readUs);
        port.setPort(17);
        port.setEvents(TEvents(evDSR));
        port.OnDSR = [this](TComPort* sender) { stamps << sender->EventStamp(); };
    }
};

} // namespace

void TestComPort::polledChangeStampedAfterItHappened() {
    // The line changes while its level is being read; the read sees the new level. A stamp
    // taken before the read would lie before the change.
    PolledRig rig(400);
    rig.port.Open();
    QTRY_VERIFY(rig.fake.modemReads() >= 4);
    rig.fake.setInputsDuringNextModemRead(TIOCM_DSR);
    QTRY_COMPARE(rig.stamps.size(), 1);
    const qint64 late = rig.stamps[0] - rig.fake.changedDuringReadAt();
    QVERIFY2(late >= 0, qPrintable(QString::number(late)));
}

void TestComPort::pollsFollowEachOtherWithinAMillisecond() {
    // A change just after one read sampled the line is stamped at the end of the next read: from
    // the start of one read to the end of the next may be no more than a millisecond, however
    // long the transfer takes. The median, so that a loaded machine's odd delay does not count.
    PolledRig rig(300);
    rig.port.Open();
    QTRY_VERIFY(rig.fake.modemReads() >= 60);
    rig.port.Close();
    const QList<std::pair<qint64, qint64>> reads = rig.fake.modemReadTimes();
    QList<qint64> spans;
    for (qsizetype i = 2; i < reads.size(); ++i) {
        spans << reads[i].second - reads[i - 1].first;
    }
    std::sort(spans.begin(), spans.end());
    const qint64 median = spans[spans.size() / 2];
    QVERIFY2(median <= 1000, qPrintable(QString::number(median)));
}

void TestComPort::interruptedWaitGoesOn() {
    Rig rig;
    rig.fake.failNext(QStringLiteral("TIOCMIWAIT"), EINTR, 3);
    rig.port.Open();
    QTRY_VERIFY(rig.fake.waits() >= 4);
    rig.fake.setInputs(TIOCM_CAR);
    QTRY_COMPARE(rig.events.size(), 2);
    QVERIFY(rig.events[1].startsWith(QStringLiteral("RLSD 80")));
    QVERIFY(rig.port.Watching());
}

void TestComPort::noModemWaitFallsBackToPolling() {
    Rig rig;
    rig.fake.failNext(QStringLiteral("TIOCMIWAIT"), ENOTTY, -1);
    rig.port.Open();
    QTRY_COMPARE(rig.fake.waits(), 1);
    rig.fake.setInputs(TIOCM_RNG);
    QTRY_COMPARE(rig.events.size(), 2);
    QVERIFY(rig.events[1].startsWith(QStringLiteral("RING 40")));
    // Counters still catch what falls between two polls.
    rig.fake.pulse(TIOCM_CTS);
    QTRY_COMPARE(rig.events.size(), 4);
    QVERIFY(rig.events[2].startsWith(QStringLiteral("CTS 50")));
    QVERIFY(rig.events[3].startsWith(QStringLiteral("CTS 40")));
    QCOMPARE(rig.fake.waits(), 1);
}

void TestComPort::noCountersComparesLevels() {
    Rig rig;
    rig.fake.failNext(QStringLiteral("TIOCGICOUNT"), ENOTTY, -1);
    rig.port.Open();
    for (int inputs : {TIOCM_DSR, 0, TIOCM_DSR}) {
        rig.fake.setInputs(inputs);
        QTRY_COMPARE(rig.events.last().left(5), inputs ? QStringLiteral("DSR 2") : QStringLiteral("DSR 0"));
    }
    QCOMPARE(rig.events.size(), 4); // no pulses invented from counts that are not there
    QCOMPARE(rig.fake.waits(), 0);
}

void TestComPort::waitThatNeverBlocksFallsBackToPolling() {
    // Otherwise the watcher would spin, ahead of every ordinary thread.
    Rig rig;
    rig.fake.returnFromWaitAtOnce();
    rig.port.Open();
    QTRY_VERIFY(rig.fake.waits() >= 8);
    rig.fake.setInputs(TIOCM_CTS);
    QTRY_COMPARE(rig.events.size(), 2);
    QVERIFY(rig.events[1].startsWith(QStringLiteral("CTS 10")));
    QVERIFY(rig.fake.waits() < 20);
}

void TestComPort::ringGoingActiveOnBuiltInPortIsSeen() {
    // The kind of UART tells, not the driver's name: since the serial-base bus every built-in
    // port names the generic driver "port".
    Rig rig(1);
    rig.fake.setDriver(QStringLiteral("port"));
    rig.fake.setUartType(4); // PORT_16550A
    rig.fake.countRingTrailingEdgeOnly();
    rig.port.Open();
    const int readsAtOpen = rig.fake.modemReads();
    QTRY_VERIFY(rig.fake.modemReads() > readsAtOpen + 2); // RING's level is read at every look
    QVERIFY(rig.fake.waitTimeoutUs() >= 0);
    rig.fake.setInputs(TIOCM_RNG);
    QTRY_COMPARE(rig.events.size(), 2);
    QVERIFY(rig.events[1].startsWith(QStringLiteral("RING 40")));
    rig.fake.setInputs(0);
    QTRY_COMPARE(rig.events.size(), 3);
    QVERIFY(rig.events[2].startsWith(QStringLiteral("RING 0")));
    // Its one count per pulse is the pulse, not a late count.
    rig.fake.pulse(TIOCM_RNG);
    QTRY_COMPARE(rig.events.size(), 5);
    QVERIFY(rig.events[3].startsWith(QStringLiteral("RING 40")));
    QVERIFY(rig.events[4].startsWith(QStringLiteral("RING 0")));
}

void TestComPort::ringReadByLevelOnlyWhenItsChangeIsNeeded_data() {
    QTest::addColumn<int>("uartType");
    QTest::addColumn<bool>("ringActiveNeeded");
    QTest::addColumn<bool>("readByLevel");
    QTest::newRow("8250, RING going idle needed") << 4 << false << false;
    QTest::newRow("8250, RING going active needed") << 4 << true << true;
    QTest::newRow("USB adapter, every change needed") << 0 << true << false;
    QTest::newRow("other UART (PL011), RING going idle needed") << 32 << false << true;
}

void TestComPort::ringReadByLevelOnlyWhenItsChangeIsNeeded() {
    QFETCH(int, uartType);
    QFETCH(bool, ringActiveNeeded);
    QFETCH(bool, readByLevel);
    Rig rig(1);
    rig.fake.setUartType(uartType);
    if (uartType >= 1 && uartType <= 30) {
        rig.fake.countRingTrailingEdgeOnly();
    }
    NeededChanges needed;
    if (!ringActiveNeeded) {
        needed.becomingActive &= ~quint32(MS_RING_ON);
    }
    rig.port.setNeededChanges(needed);
    rig.port.Open();
    const int readsAtOpen = rig.fake.modemReads();
    QTRY_VERIFY(rig.fake.waits() >= 1);
    QTest::qWait(50);
    QCOMPARE(rig.fake.modemReads() > readsAtOpen + 5, readByLevel);
    QCOMPARE(rig.fake.waitTimeoutUs() >= 0, readByLevel);
    // Counted or read, a RING pulse is seen.
    rig.fake.pulse(TIOCM_RNG);
    QTRY_COMPARE(rig.events.size(), 3);
    QVERIFY(rig.events[1].startsWith(QStringLiteral("RING 40")));
    QVERIFY(rig.events[2].startsWith(QStringLiteral("RING 0")));
}

void TestComPort::pulledAdapterLeavesProgramRunning() {
    Rig rig;
    int lost = 0;
    rig.port.OnLost = [&](TComPort*) { ++lost; };
    rig.port.Open();
    QTRY_VERIFY(rig.fake.waits() >= 1);
    rig.fake.pullAdapter();
    QTRY_COMPARE(lost, 1);
    QVERIFY(!rig.port.Watching());
    QVERIFY(rig.port.Connected());
    QCOMPARE(rig.port.GetModemStatus(), 0u);
    QCOMPARE(rig.port.InQueCount(), 0);
    rig.port.Close();
    QCOMPARE(rig.events, (QStringList{"open", "close"}));
    QVERIFY(!rig.port.Connected());
    QVERIFY_THROWS_EXCEPTION(EComHandle, rig.port.Open());
    QCOMPARE(lost, 1);
}

void TestComPort::handlerExceptionEndsWatcher() {
    Rig rig;
    int calls = 0;
    rig.port.OnDSR = [&](TComPort*) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    rig.port.Open();
    rig.fake.setInputs(TIOCM_DSR);
    QTRY_VERIFY(!rig.port.Watching());
    QCOMPARE(calls, 1);
    QVERIFY(rig.port.Connected());
    rig.fake.setInputs(0);
    QCoreApplication::processEvents();
    QCOMPARE(calls, 1);
    rig.port.Close();
    QCOMPARE(rig.events, (QStringList{"open", "close"}));
}

void TestComPort::openAndCloseInsideHandlerRefused() {
    Rig rig;
    QString openError;
    rig.port.OnDSR = [&](TComPort* sender) {
        sender->Close();
        try {
            sender->Open();
        } catch (const EComHandle& e) {
            openError = e.Message();
        }
        rig.events << QStringLiteral("DSR");
    };
    rig.port.Open();
    rig.fake.setInputs(TIOCM_DSR);
    QTRY_COMPARE(openError, QStringLiteral("Unable to open com port: Resource deadlock avoided"));
    QVERIFY(rig.port.Connected());

    // The watcher is still there.
    rig.fake.setInputs(0);
    QTRY_COMPARE(rig.events, (QStringList{"open", "DSR", "DSR"}));
    QVERIFY(rig.port.Watching());
    rig.port.Close();
    QCOMPARE(rig.events.last(), QStringLiteral("close"));
}

void TestComPort::closeWhileHandOverIsQueued() {
    QTRY_COMPARE(watcherThreads(), 0); // earlier tests' ports
    const int threadsBefore = threadCount();
    Rig rig;
    rig.port.Open();
    rig.fake.setInputs(TIOCM_DSR);
    // The watcher has woken; give it time to queue the hand-over, which this thread does not
    // run because it never returns to the event loop before Close.
    QVERIFY(rig.wakeUps.tryAcquire(1, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    QElapsedTimer timer;
    timer.start();
    rig.port.Close();
    QVERIFY2(timer.elapsed() < 50, qPrintable(QString::number(timer.elapsed())));
    QCoreApplication::processEvents();
    QCOMPARE(rig.events, (QStringList{"open", "close"})); // the dropped report fired nothing
    // The watcher has ended when Close returns; the system may take a moment to reap it.
    QTRY_COMPARE(threadCount(), threadsBefore);
}

QTEST_GUILESS_MAIN(TestComPort)
#include "test_com_port.moc"
