// Runs the loopback-plug test; see adapter_test.h.

#include "adapter/adapter_test.h"

#include "io/com_errors.h"
#include "io/com_port.h"
#include "io/port_names.h"
#include "io/serial_backends.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <sys/ioctl.h>

namespace {

quint32 statusBitOf(PlugInput input) {
    switch (input) {
    case PlugInput::Cts:
        return MS_CTS_ON;
    case PlugInput::Dsr:
        return MS_DSR_ON;
    case PlugInput::Dcd:
        return MS_RLSD_ON;
    case PlugInput::Ri:
        return MS_RING_ON;
    }
    return 0;
}

} // namespace

namespace {

// Without a counter of the program's: the monotonic clock in nanoseconds.
AdapterTestLinks withCounter(AdapterTestLinks links) {
    if (!links.readCounter) {
        links.readCounter = [] {
            return qint64(std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count());
        };
        links.countsPerUs = 1000;
    }
    return links;
}

} // namespace

AdapterTest::AdapterTest(AdapterTestLinks links, QObject* parent)
    : QObject(parent), m_links(withCounter(std::move(links))) {
    qRegisterMetaType<AdapterTestResult>();
}

AdapterTest::~AdapterTest() {
    cancel();
}

QString AdapterTest::refusedDuringRunText() {
    return QStringLiteral("Während eines Laufs kann der Adapter nicht geprüft werden.");
}

std::optional<QString> AdapterTest::start(int port, const AdapterTestPlan& plan) {
    if (m_links.runActive && m_links.runActive()) {
        return refusedDuringRunText();
    }
    if (running()) {
        return QStringLiteral("Die Prüfung läuft schon.");
    }
    if (port <= 0 || !m_links.backends) {
        return QStringLiteral("Bitte zuerst einen Anschluss wählen.");
    }
    m_port = std::make_unique<TComPort>(m_links.backends, m_links.readCounter);
    m_port->setPort(quint8(port));
    m_port->setFlowControl(fcNone); // RTS is the test's to set
    m_port->setEnableDTR(true);
    m_port->setEvents(TEvents(evRing) | evCTS | evDSR | evRLSD);
    m_port->setWriteBufSize(64);
    m_port->setReadBufSize(64);
    m_port->OnCTS = [this](TComPort*) { noteChange(PlugInput::Cts); };
    m_port->OnDSR = [this](TComPort*) { noteChange(PlugInput::Dsr); };
    m_port->OnRLSD = [this](TComPort*) { noteChange(PlugInput::Dcd); };
    m_port->OnRing = [this](TComPort*) { noteChange(PlugInput::Ri); };
    // Not inside the port's own handler: cancelling destroys the port.
    m_port->OnLost = [this](TComPort*) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                cancel();
                emit failed(QStringLiteral("Die Verbindung zum Adapter ist abgerissen."));
            },
            Qt::QueuedConnection);
    };
    try {
        m_port->Open();
    } catch (const std::exception& error) {
        m_port.reset();
        return QString::fromUtf8(error.what());
    }
    m_portNumber = port;
    for (auto& seen : m_seen) {
        seen.clear();
    }
    m_rtsToggles.clear();
    m_dtrToggles.clear();
    m_cancel = false;
    m_toggleError = 0;
    m_origin = m_links.readCounter();
    m_toggler = std::thread([this, plan, origin = m_origin] { toggle(plan, origin); });
    return std::nullopt;
}

void AdapterTest::cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_cancel = true;
    }
    stopToggler();
    m_port.reset();
}

void AdapterTest::stopToggler() {
    m_wake.notify_all();
    if (m_toggler.joinable()) {
        m_toggler.join();
    }
}

qint64 AdapterTest::usOf(qint64 stamp) const {
    return qint64(double(stamp - m_origin) / m_links.countsPerUs + 0.5);
}

void AdapterTest::noteChange(PlugInput input) {
    const auto index = std::size_t(input);
    m_seen[index].append({usOf(m_port->EventStamp()), (m_port->EventModemStatus() & statusBitOf(input)) != 0});
}

void AdapterTest::toggle(AdapterTestPlan plan, qint64 originStamp) {
    using Clock = std::chrono::steady_clock;
    std::minstd_rand random(plan.seed);
    // Which output each toggle sets, shuffled so that neither follows a rhythm.
    std::vector<bool> onRts;
    for (int i = 0; i < plan.togglesPerOutput; ++i) {
        onRts.push_back(true);
        onRts.push_back(false);
    }
    std::shuffle(onRts.begin(), onRts.end(), random);
    std::uniform_int_distribution<int> gap(plan.shortestGapUs, std::max(plan.shortestGapUs, plan.longestGapUs));

    bool rts = false; // as Open left them: RTS low without handshaking, DTR high
    bool dtr = true;
    QList<LineChange> rtsToggles;
    QList<LineChange> dtrToggles;
    Clock::time_point due = Clock::now() + std::chrono::microseconds(plan.settleUs);
    int error = 0;
    auto waitUntil = [&](Clock::time_point when) {
        std::unique_lock lock(m_mutex);
        return !m_wake.wait_until(lock, when, [this] { return m_cancel; });
    };
    for (const bool setRts : onRts) {
        if (!waitUntil(due)) {
            return;
        }
        bool& level = setRts ? rts : dtr;
        level = !level;
        const int line = setRts ? TIOCM_RTS : TIOCM_DTR;
        // The stamp just before the line is set: the delay then includes the adapter's output path.
        const qint64 stamp = m_links.readCounter();
        error = m_port->changeOutputs(level ? line : 0, level ? 0 : line);
        if (error) {
            break;
        }
        const LineChange change{qint64(double(stamp - originStamp) / m_links.countsPerUs + 0.5), level};
        (setRts ? rtsToggles : dtrToggles).append(change);
        due += std::chrono::microseconds(gap(random));
    }
    if (!error && !waitUntil(Clock::now() + std::chrono::microseconds(plan.settleUs))) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_rtsToggles = rtsToggles;
        m_dtrToggles = dtrToggles;
        m_toggleError = error;
    }
    QMetaObject::invokeMethod(this, &AdapterTest::complete, Qt::QueuedConnection);
}

void AdapterTest::complete() {
    stopToggler();
    if (!m_port) {
        return; // cancelled meanwhile
    }
    // Reports queued before the close are still handed over; none may be left behind.
    m_port->Close();
    m_port.reset();
    if (m_toggleError) {
        emit failed(QStringLiteral("Die Leitungen ließen sich nicht setzen: %1")
                        .arg(QString::fromLocal8Bit(strerror(m_toggleError))));
        return;
    }
    AdapterTestResult result;
    result.when = QDateTime::currentDateTime();
    result.portText = comPortListText(m_portNumber);
    if (m_portNumber == simulatorPort) {
        result.identity.device = QStringLiteral("Simulator");
        result.identity.driver = QStringLiteral("eingebaute Lichtschrankenbox");
    } else {
        result.identity = identifyAdapter(m_links.backends->forPort(m_portNumber).devicePath, m_links.sysfsRoot);
    }
    for (std::size_t i = 0; i < plugInputs.size(); ++i) {
        const PlugInput input = plugInputs[i];
        result.lines[i] = lineFiguresOf(plugInputOnRts(input) ? m_rtsToggles : m_dtrToggles, m_seen[i]);
    }
    result.judgement = judgeAdapter(result.lines);
    emit finished(result);
}
