// The termination signals' handler, which only writes the signal's number into a socket pair
// for the event loop to read, and the previous handlers put back at the end.

#include "platform/termination_signals.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> endingSignals{SIGTERM, SIGINT, SIGHUP};

// The write end the handler uses; -1 while no instance is active. A signal handler
// cannot reach an object, so this one descriptor is process-wide.
std::atomic<int> g_writeFd{-1};
struct sigaction g_previous[endingSignals.size()];
bool g_installed[endingSignals.size()];

void onTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // Non-blocking: when the pipe is full the program is already ending.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_fds) != 0) {
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    int expected = -1;
    if (!g_writeFd.compare_exchange_strong(expected, m_fds[1])) {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < endingSignals.size(); ++i) {
        // A signal the starter chose to ignore (nohup, a shell's background job) stays ignored.
        ::sigaction(endingSignals[i], nullptr, &g_previous[i]);
        g_installed[i] = g_previous[i].sa_handler != SIG_IGN;
        if (g_installed[i])
            ::sigaction(endingSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < endingSignals.size(); ++i) {
        if (g_installed[i])
            ::sigaction(endingSignals[i], &g_previous[i], nullptr);
    }
    g_writeFd.store(-1);
    delete m_notifier;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void TerminationSignals::readSignals() {
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(m_fds[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit terminationRequested(bytes[i]);
    }
}
