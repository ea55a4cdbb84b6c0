// The loopback-plug test on the real tty backend over a pseudo-terminal, with the fake modem
// driver's plug: the toggles go through TIOCMBIS/TIOCMBIC, the changes come back through
// TIOCMIWAIT and TIOCGICOUNT as from a USB adapter.

#include "adapter/adapter_report.h"
#include "adapter/adapter_test.h"
#include "pty_backends.h"
#include "timing/timer_platform.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

#include <dlfcn.h>

class TestAdapterPty : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void loopbackPlug();
    void noPlug();

private:
    std::optional<AdapterTestResult> run();

    void (*m_loopback)(int) = nullptr;
    void (*m_setInputs)(int) = nullptr;
    int m_master = -1;
    QByteArray m_slave;
};

namespace {

qint64 monotonicNs() {
    return readMonotonicNanoseconds(nullptr);
}

bool everyChangeSeen(const AdapterTestResult& result) {
    return std::all_of(result.lines.begin(), result.lines.end(),
                       [](const LineFigures& line) { return line.seen == line.made; });
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').value(0)) : QString();
}

} // namespace

void TestAdapterPty::initTestCase() {
    m_loopback = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "fake_modem_loopback"));
    m_setInputs = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "fake_modem_set_inputs"));
    if (!m_loopback || !m_setInputs) {
        QSKIP("the fake modem driver is not preloaded");
    }
    m_master = openPty(&m_slave);
    QVERIFY(m_master >= 0 && !m_slave.isEmpty());
}

void TestAdapterPty::cleanupTestCase() {
    if (m_master >= 0) {
        ::close(m_master);
    }
}

std::optional<AdapterTestResult> TestAdapterPty::run() {
    PtyBackends backends(m_slave);
    AdapterTest test({&backends, monotonicNs, 1000.0, {}});
    QSignalSpy finished(&test, &AdapterTest::finished);
    AdapterTestPlan plan;
    plan.togglesPerOutput = 60;
    plan.settleUs = 80000;
    if (const auto refused = test.start(17, plan)) {
        qWarning() << *refused;
        return std::nullopt;
    }
    if (!finished.wait(20000)) {
        return std::nullopt;
    }
    return finished.first().first().value<AdapterTestResult>();
}

void TestAdapterPty::loopbackPlug() {
    m_setInputs(0);
    m_loopback(1);
    // A change comes back within two toggles of its line or counts as lost, and the verdict goes
    // by the longest delay. This virtual machine can stall a thread for longer than either allows,
    // so a stalled run gets two more tries; a watcher that really loses or delays changes fails all three.
    auto result = run();
    for (int retry = 0;
         retry < 2 && result && !(everyChangeSeen(*result) && result->judgement.verdict == AdapterVerdict::Suitable);
         ++retry) {
        qInfo("a change lost or late, the machine stalled? (load %s); once more", qPrintable(loadAverage()));
        result = run();
    }
    m_loopback(0);
    QVERIFY(result);
    for (const LineFigures& line : result->lines) {
        QCOMPARE(line.made, 60);
        QCOMPARE(line.seen, 60);
    }
    if (result->judgement.verdict != AdapterVerdict::Suitable) {
        // Three runs each hit by a stall of this virtual machine: the longest delay is the
        // machine's, but the typical one must still be the watcher's, well under a millisecond.
        qWarning("late three times (load %s): %s", qPrintable(loadAverage()), qPrintable(result->judgement.reason));
        for (const LineFigures& line : result->lines)
            QVERIFY2(line.p50Us < 1000, qPrintable(QString::number(line.p50Us)));
        QVERIFY(result->judgement.verdict == AdapterVerdict::Limited ||
                result->judgement.reason.contains("mehr als 10 ms"));
    }
    QCOMPARE(result->identity.device, QString::fromLocal8Bit(m_slave));
    qInfo().noquote() << adapterReportLines(*result).join('\n');
}

void TestAdapterPty::noPlug() {
    m_setInputs(0);
    const auto result = run();
    QVERIFY(result);
    QCOMPARE(result->judgement.verdict, AdapterVerdict::NoPlug);
    qInfo().noquote() << adapterReportLines(*result).join('\n');
}

QTEST_GUILESS_MAIN(TestAdapterPty)
#include "test_adapter_pty.moc"
