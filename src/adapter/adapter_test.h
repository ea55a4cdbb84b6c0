// The loopback-plug test of a port's timing: toggles RTS and DTR at irregular intervals from a
// thread of its own and measures, from the watcher's stamps, how late and how completely each
// change comes back on CTS, DSR, DCD and RI.

#pragma once

#include "adapter/adapter_figures.h"
#include "adapter/adapter_identity.h"
#include "timing/counter_reader.h"

#include <QDateTime>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class SerialBackends;
class TComPort;

// How the test toggles. Gaps are drawn evenly from the range, between any two toggles; each
// output alternates, so its own changes are never closer than the shortest gap.
struct AdapterTestPlan {
    int togglesPerOutput = 200;
    int shortestGapUs = 5000;
    int longestGapUs = 20000;
    int settleUs = 150000; // before the first toggle (the opening's changes pass) and after the last
    unsigned seed = 31;
};

struct AdapterTestResult {
    QDateTime when;
    QString portText; // "COM17 (ttyUSB0)"
    AdapterIdentity identity;
    std::array<LineFigures, 4> lines; // in the order of plugInputs
    AdapterJudgement judgement;
};

// What the test uses of the program around it.
struct AdapterTestLinks {
    SerialBackends* backends = nullptr;
    // Stamps the toggles and, through the watcher, the changes; none: the monotonic clock.
    EventCounterReader readCounter;
    double countsPerUs = 1;
    std::function<bool()> runActive; // a run is on: the test is refused
    QString sysfsRoot = QStringLiteral("/sys");
};

// Runs one test at a time. start() and everything else run on the owning (GUI) thread; only
// the toggling runs on the test's own thread, so the dialog stays responsive and a slow USB
// control transfer never holds up the GUI. The port is held only while the test runs.
class AdapterTest : public QObject {
    Q_OBJECT
public:
    explicit AdapterTest(AdapterTestLinks links, QObject* parent = nullptr);
    ~AdapterTest() override;

    // Opens `port` and starts; the German reason when it cannot (a run is on, a test runs, the
    // port cannot be opened). The caller must have let go of the port.
    std::optional<QString> start(int port, const AdapterTestPlan& plan = {});
    bool running() const { return m_toggler.joinable(); }
    // Stops a running test without a result; the port is closed before it returns.
    void cancel();

    static QString refusedDuringRunText();

signals:
    void finished(const AdapterTestResult& result);
    // The port failed during the test (adapter pulled): the reason.
    void failed(const QString& reason);

private:
    void toggle(AdapterTestPlan plan, qint64 originStamp);
    void complete();
    void stopToggler();
    void noteChange(PlugInput input);
    qint64 usOf(qint64 stamp) const;

    const AdapterTestLinks m_links;
    std::unique_ptr<TComPort> m_port;
    int m_portNumber = 0;
    qint64 m_origin = 0;

    std::thread m_toggler;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancel = false;
    int m_toggleError = 0;
    // Written by the toggler, read after it has ended.
    QList<LineChange> m_rtsToggles;
    QList<LineChange> m_dtrToggles;
    // Written on the owning thread by the port's handlers.
    std::array<QList<LineChange>, 4> m_seen;
};

Q_DECLARE_METATYPE(AdapterTestResult)
