#pragma once

#include "io/serial_system.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/ioctl.h>
#include <thread>

// A tty for tests: logs the configuration calls in order, fails the calls it is told to, and
// keeps modem lines with transition counters that a test changes from any thread. Like a USB
// adapter, it can let the counts (and the wake-up of a wait) follow the levels late. Its
// driver time advances by a wait's time limit whenever one runs out.
class FakeSerialSystem : public SerialSystem {
public:
    // The next `times` calls of `call` ("open", "TIOCEXCL", "TIOCMIWAIT", ...) fail with `error`;
    // times < 0: every call.
    void failNext(const QString& call, int error, int times = 1) {
        std::lock_guard lock(m_mutex);
        m_failures[call].append({error, times});
    }
    // Every later call fails with EIO, as after an adapter was pulled.
    void pullAdapter() {
        {
            std::lock_guard lock(m_mutex);
            m_pulled = true;
        }
        m_wake.notify_all();
    }
    // The adapter is back: calls work again on a newly opened device.
    void replug() {
        std::lock_guard lock(m_mutex);
        m_pulled = false;
    }
    // Sets the input lines (TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CAR), counting each change.
    void setInputs(int inputs) {
        change([&] { applyInputs(inputs); });
    }
    // Two transitions that end where they started: a pulse the watcher cannot see as a level.
    void pulse(int line) {
        change([&] {
            count(line);
            count(m_ringTrailingOnly ? line & ~TIOCM_RNG : line);
        });
    }
    // Counts of later changes arrive `ms` after their levels.
    void setCountLag(int ms) {
        std::lock_guard lock(m_mutex);
        m_countLag = std::chrono::milliseconds(ms);
    }
    // Every late count has arrived.
    bool countsSettled() {
        std::lock_guard lock(m_mutex);
        applyDueCounts();
        return m_lateCounts.empty();
    }
    // The inputs change just after the caller read the counts for its next wait, before the
    // wait begins, so the wait cannot see the change.
    void setInputsBeforeNextWait(int inputs) {
        std::lock_guard lock(m_mutex);
        m_inputsBeforeWait = inputs;
    }
    // Driver time in microseconds, and the moment of the change above.
    qint64 driverMicroseconds() const {
        std::lock_guard lock(m_mutex);
        return m_driverUs;
    }
    qint64 changedBeforeWaitAt() const {
        std::lock_guard lock(m_mutex);
        return m_changedBeforeWaitAt;
    }
    // A wait is under way that compares against the present counts: the watcher has seen
    // everything there is.
    bool waitingOnPresentCounts() {
        std::lock_guard lock(m_mutex);
        applyDueCounts();
        return m_inWait && m_waitSeen == m_counters;
    }
    QStringList log() const {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    void clearLog() {
        std::lock_guard lock(m_mutex);
        m_log.clear();
    }
    termios2 lastAttributes() const {
        std::lock_guard lock(m_mutex);
        return m_attributes;
    }
    int openFlags() const {
        std::lock_guard lock(m_mutex);
        return m_openFlags;
    }
    int outputs() const {
        std::lock_guard lock(m_mutex);
        return m_outputs;
    }
    int waits() const {
        std::lock_guard lock(m_mutex);
        return m_waits;
    }
    // TIOCMGET calls so far.
    int modemReads() const {
        std::lock_guard lock(m_mutex);
        return m_modemReads;
    }
    int waitLines() const {
        std::lock_guard lock(m_mutex);
        return m_waitLines;
    }
    // Time limit of the last wait in microseconds, -1 for none.
    int waitTimeoutUs() const {
        std::lock_guard lock(m_mutex);
        return m_timeoutUs;
    }
    // Changes the levels without counting, as a glitch that no status packet of a USB adapter
    // carries.
    void setInputsUncounted(int inputs) {
        change([&] { m_inputs = inputs; });
    }
    // Each TIOCMGET takes this long, as a USB control transfer does.
    void setModemReadUs(int us) {
        std::lock_guard lock(m_mutex);
        m_modemReadUs = us;
    }
    // The inputs change halfway through the next TIOCMGET; when (steadyMicroseconds()).
    void setInputsDuringNextModemRead(int inputs) {
        std::lock_guard lock(m_mutex);
        m_inputsDuringRead = inputs;
    }
    qint64 changedDuringReadAt() const {
        std::lock_guard lock(m_mutex);
        return m_changedDuringReadAt;
    }
    // Start and end of every TIOCMGET so far (steadyMicroseconds()).
    QList<std::pair<qint64, qint64>> modemReadTimes() const {
        std::lock_guard lock(m_mutex);
        return m_modemReadTimes;
    }
    static qint64 steadyMicroseconds() {
        return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
    }
    // TIOCGSERIAL's UART type; 0 (a USB adapter) unless told.
    void setUartType(int type) {
        std::lock_guard lock(m_mutex);
        m_uartType = type;
    }
    // A broken driver: the wait returns at once, change or not.
    void returnFromWaitAtOnce() {
        std::lock_guard lock(m_mutex);
        m_waitReturnsAtOnce = true;
    }
    // Like an 8250: RING counts (and wakes the wait) only when it goes inactive.
    void countRingTrailingEdgeOnly() {
        std::lock_guard lock(m_mutex);
        m_ringTrailingOnly = true;
    }
    bool isOpen() const {
        std::lock_guard lock(m_mutex);
        return m_fd >= 0;
    }
    void setDriver(const QString& driver) {
        std::lock_guard lock(m_mutex);
        m_driver = driver;
    }
    // Counters that move between two reads, `times` times: a line that chatters.
    void chatterOnCounterReads(int times) {
        std::lock_guard lock(m_mutex);
        m_chatter = times;
    }

    int openDevice(const QByteArray& path, int flags, int* fd) override {
        std::lock_guard lock(m_mutex);
        m_log << QStringLiteral("open ") + QString::fromLatin1(path);
        m_openFlags = flags;
        if (const int error = failure(QStringLiteral("open"))) {
            return error;
        }
        if (m_fd >= 0) {
            return EBUSY;
        }
        m_fd = *fd = 7;
        m_outputs = TIOCM_DTR | TIOCM_RTS; // the tty layer raises both on open
        return 0;
    }
    int closeDevice(int fd) override {
        std::lock_guard lock(m_mutex);
        m_log << QStringLiteral("close");
        if (fd != m_fd) {
            return EBADF;
        }
        m_fd = -1;
        m_outputs = 0;
        return 0;
    }
    int setExclusive(int fd) override { return logged(fd, QStringLiteral("TIOCEXCL")); }
    int clearExclusive(int fd) override { return logged(fd, QStringLiteral("TIOCNXCL")); }
    int lockDevice(int fd) override { return logged(fd, QStringLiteral("flock")); }
    int getAttributes(int fd, termios2* settings) override {
        std::lock_guard lock(m_mutex);
        *settings = {};
        settings->c_cflag = B9600 | CS7 | PARENB; // whatever the last user left
        settings->c_lflag = ICANON | ECHO;
        return call(fd, QStringLiteral("TCGETS2"), true);
    }
    int setAttributes(int fd, const termios2& settings) override {
        std::lock_guard lock(m_mutex);
        m_attributes = settings;
        return call(fd, QStringLiteral("TCSETS2"), true);
    }
    int getModemLines(int fd, int* lines) override {
        std::unique_lock lock(m_mutex);
        const qint64 start = steadyMicroseconds();
        const int readUs = m_modemReadUs;
        if (readUs > 0) {
            const int half = readUs / 2;
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::microseconds(half));
            lock.lock();
            if (m_inputsDuringRead >= 0) {
                applyInputs(m_inputsDuringRead);
                m_inputsDuringRead = -1;
                m_changedDuringReadAt = steadyMicroseconds();
                m_wake.notify_all();
            }
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::microseconds(readUs - half));
            lock.lock();
        }
        *lines = m_inputs | m_outputs;
        ++m_modemReads;
        m_modemReadTimes.append({start, steadyMicroseconds()});
        return call(fd, QStringLiteral("TIOCMGET"), false);
    }
    int raiseModemLines(int fd, int lines) override {
        std::lock_guard lock(m_mutex);
        const int error = call(fd, QStringLiteral("TIOCMBIS ") + lineNames(lines), true, QStringLiteral("TIOCMBIS"));
        if (!error) {
            m_outputs |= lines;
        }
        return error;
    }
    int lowerModemLines(int fd, int lines) override {
        std::lock_guard lock(m_mutex);
        const int error = call(fd, QStringLiteral("TIOCMBIC ") + lineNames(lines), true, QStringLiteral("TIOCMBIC"));
        if (!error) {
            m_outputs &= ~lines;
        }
        return error;
    }
    int getLineCounters(int fd, LineCounters* counters) override {
        std::lock_guard lock(m_mutex);
        applyDueCounts();
        if (m_chatter > 0) {
            --m_chatter;
            ++m_counters.cts;
        }
        *counters = m_counters;
        return call(fd, QStringLiteral("TIOCGICOUNT"), false);
    }
    int waitModemChange(int fd, int lines, const LineCounters& seen, int timeoutUs) override {
        std::unique_lock lock(m_mutex);
        ++m_waits;
        m_waitLines = lines;
        m_timeoutUs = timeoutUs;
        if (const int error = call(fd, QStringLiteral("TIOCMIWAIT"), false)) {
            return error;
        }
        if (m_waitReturnsAtOnce) {
            return 0;
        }
        if (m_inputsBeforeWait >= 0) {
            applyInputs(m_inputsBeforeWait);
            m_inputsBeforeWait = -1;
            m_changedBeforeWaitAt = m_driverUs;
        }
        const int interrupts = m_interrupts;
        auto moved = [&] {
            return ((lines & TIOCM_CTS) && seen.cts != m_counters.cts) ||
                   ((lines & TIOCM_DSR) && seen.dsr != m_counters.dsr) ||
                   ((lines & TIOCM_RNG) && seen.rng != m_counters.rng) ||
                   ((lines & TIOCM_CAR) && seen.dcd != m_counters.dcd);
        };
        m_inWait = true;
        m_waitSeen = seen;
        const auto deadline =
            timeoutUs >= 0 ? Clock::now() + std::chrono::microseconds(timeoutUs) : Clock::time_point::max();
        for (;;) {
            applyDueCounts();
            if (moved() || m_interrupts != interrupts || m_pulled) {
                break;
            }
            if (Clock::now() >= deadline) {
                m_driverUs += timeoutUs;
                break;
            }
            if (timeoutUs < 0 && m_lateCounts.empty()) {
                m_wake.wait(lock);
            } else {
                m_wake.wait_until(lock, m_lateCounts.empty() ? deadline : std::min(deadline, m_lateCounts.front().due));
            }
        }
        m_inWait = false;
        if (m_pulled) {
            return EIO;
        }
        return moved() ? 0 : EINTR;
    }
    int inputQueue(int fd, int* bytes) override {
        std::lock_guard lock(m_mutex);
        *bytes = 3;
        return call(fd, QStringLiteral("TIOCINQ"), false);
    }
    int flushInput(int fd) override { return logged(fd, QStringLiteral("TCIFLUSH")); }
    int setLowLatency(int fd) override { return logged(fd, QStringLiteral("low latency")); }
    int uartType(int fd, int* type) override {
        std::lock_guard lock(m_mutex);
        *type = m_uartType;
        return call(fd, QStringLiteral("TIOCGSERIAL"), false);
    }
    QString driverName(const QByteArray&) override {
        std::lock_guard lock(m_mutex);
        return m_driver;
    }
    void interruptWait(pthread_t) override {
        {
            std::lock_guard lock(m_mutex);
            ++m_interrupts;
        }
        m_wake.notify_all();
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Failure {
        int error;
        int times;
    };
    struct LateCount {
        Clock::time_point due;
        int lines;
    };

    void applyInputs(int inputs) {
        int changed = (m_inputs ^ inputs);
        if (m_ringTrailingOnly && (inputs & TIOCM_RNG)) {
            changed &= ~TIOCM_RNG;
        }
        if (m_countLag.count() > 0) {
            m_lateCounts.append({Clock::now() + m_countLag, changed});
        } else {
            count(changed);
        }
        m_inputs = inputs;
    }
    void applyDueCounts() {
        while (!m_lateCounts.isEmpty() && m_lateCounts.first().due <= Clock::now()) {
            count(m_lateCounts.takeFirst().lines);
        }
    }

    template <typename F> void change(F f) {
        {
            std::lock_guard lock(m_mutex);
            f();
        }
        m_wake.notify_all();
    }
    void count(int lines) {
        m_counters.cts += bool(lines & TIOCM_CTS);
        m_counters.dsr += bool(lines & TIOCM_DSR);
        m_counters.rng += bool(lines & TIOCM_RNG);
        m_counters.dcd += bool(lines & TIOCM_CAR);
    }
    static QString lineNames(int lines) {
        QStringList names;
        if (lines & TIOCM_DTR) {
            names << QStringLiteral("DTR");
        }
        if (lines & TIOCM_RTS) {
            names << QStringLiteral("RTS");
        }
        return names.join(QLatin1Char('|'));
    }
    int failure(const QString& name) {
        QList<Failure>& list = m_failures[name];
        if (list.isEmpty()) {
            return 0;
        }
        const int error = list.first().error;
        if (list.first().times > 0 && --list.first().times == 0) {
            list.removeFirst();
        }
        return error;
    }
    int logged(int fd, const QString& name) {
        std::lock_guard lock(m_mutex);
        return call(fd, name, true);
    }
    int call(int fd, const QString& entry, bool log, QString name = {}) {
        if (log) {
            m_log << entry;
        }
        if (m_pulled) {
            return EIO;
        }
        if (fd != m_fd || fd < 0) {
            return EBADF;
        }
        return failure(name.isEmpty() ? entry : name);
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    QHash<QString, QList<Failure>> m_failures;
    QStringList m_log;
    termios2 m_attributes{};
    QString m_driver;
    int m_fd = -1;
    int m_openFlags = 0;
    int m_inputs = 0;
    int m_outputs = 0;
    LineCounters m_counters;
    int m_waits = 0;
    int m_modemReads = 0;
    int m_waitLines = 0;
    int m_timeoutUs = 0;
    bool m_inWait = false;
    LineCounters m_waitSeen;
    int m_modemReadUs = 0;
    int m_inputsDuringRead = -1;
    qint64 m_changedDuringReadAt = 0;
    QList<std::pair<qint64, qint64>> m_modemReadTimes;
    int m_uartType = 0;
    std::chrono::microseconds m_countLag{0};
    QList<LateCount> m_lateCounts;
    int m_inputsBeforeWait = -1;
    qint64 m_driverUs = 1000000;
    qint64 m_changedBeforeWaitAt = 0;
    bool m_ringTrailingOnly = false;
    bool m_waitReturnsAtOnce = false;
    int m_interrupts = 0;
    int m_chatter = 0;
    bool m_pulled = false;
};
