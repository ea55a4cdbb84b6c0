// The real tty calls, and the signal that interrupts a thread's modem wait: SIGUSR2, or a
// free real-time signal when SIGUSR2 is taken.

#include "io/serial_system_posix.h"

#include "io/modem_wait_guard.h"

#include <QFileInfo>

#include <asm/termbits.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int result(int rc) {
    return rc < 0 ? errno : 0;
}

void ignoreWakeSignal(int) {}

bool unclaimed(int signalNumber) {
    struct sigaction current {};
    return sigaction(signalNumber, nullptr, &current) == 0 &&
           (current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN);
}

// SIGUSR2, unless another part of the program already handles it: then the highest real-time
// signal nobody handles, so that neither side receives the other's signals. Chosen and
// installed once.
int installWakeHandler() {
    static const int chosen = [] {
        int signalNumber = SIGUSR2;
        if (!unclaimed(signalNumber)) {
            for (int candidate = SIGRTMAX; candidate >= SIGRTMIN; --candidate) {
                if (unclaimed(candidate)) {
                    signalNumber = candidate;
                    break;
                }
            }
        }
        struct sigaction action {};
        action.sa_handler = ignoreWakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the blocked ioctl must return EINTR
        sigaction(signalNumber, &action, nullptr);
        return signalNumber;
    }();
    return chosen;
}

// Signals the thread that created it every period while armed, so that a blocked TIOCMIWAIT
// returns EINTR: the time limit of a wait. Periodic rather than one-shot: a signal that lands
// just before the ioctl blocks is followed by the next one.
class RecheckTimer {
public:
    RecheckTimer() {
        // A thread that inherited the signal blocked could never be woken, and Close would
        // wait for it forever.
        sigset_t wake;
        sigemptyset(&wake);
        sigaddset(&wake, PosixSerialSystem::wakeSignal());
        pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = PosixSerialSystem::wakeSignal();
        event._sigev_un._tid = gettid(); // glibc 2.36 has no sigev_notify_thread_id name yet
        m_valid = timer_create(CLOCK_MONOTONIC, &event, &m_timer) == 0;
    }
    ~RecheckTimer() {
        if (m_valid) {
            timer_delete(m_timer);
        }
    }
    RecheckTimer(const RecheckTimer&) = delete;
    RecheckTimer& operator=(const RecheckTimer&) = delete;

    void arm(int us) {
        if (m_valid && us > 0) {
            const timespec period{us / 1000000, long(us % 1000000) * 1000};
            const itimerspec every{period, period};
            timer_settime(m_timer, 0, &every, nullptr);
        }
    }
    void disarm() {
        if (m_valid) {
            const itimerspec off{};
            timer_settime(m_timer, 0, &off, nullptr);
        }
    }

private:
    timer_t m_timer{};
    bool m_valid = false;
};

} // namespace

PosixSerialSystem::PosixSerialSystem(QString sysfsRoot) : m_sysfsRoot(std::move(sysfsRoot)) {
    installWakeHandler();
}

int PosixSerialSystem::wakeSignal() {
    return installWakeHandler();
}

int PosixSerialSystem::openDevice(const QByteArray& path, int flags, int* fd) {
    *fd = ::open(path.constData(), flags);
    return result(*fd);
}

int PosixSerialSystem::closeDevice(int fd) {
    return result(::close(fd));
}

int PosixSerialSystem::setExclusive(int fd) {
    return result(::ioctl(fd, TIOCEXCL));
}

int PosixSerialSystem::clearExclusive(int fd) {
    return result(::ioctl(fd, TIOCNXCL));
}

int PosixSerialSystem::lockDevice(int fd) {
    return result(::flock(fd, LOCK_EX | LOCK_NB));
}

int PosixSerialSystem::getAttributes(int fd, termios2* settings) {
    return result(::ioctl(fd, TCGETS2, settings));
}

int PosixSerialSystem::setAttributes(int fd, const termios2& settings) {
    return result(::ioctl(fd, TCSETS2, &settings));
}

int PosixSerialSystem::getModemLines(int fd, int* lines) {
    return result(::ioctl(fd, TIOCMGET, lines));
}

int PosixSerialSystem::raiseModemLines(int fd, int lines) {
    return result(::ioctl(fd, TIOCMBIS, &lines));
}

int PosixSerialSystem::lowerModemLines(int fd, int lines) {
    return result(::ioctl(fd, TIOCMBIC, &lines));
}

int PosixSerialSystem::getLineCounters(int fd, LineCounters* counters) {
    serial_icounter_struct icount{};
    if (::ioctl(fd, TIOCGICOUNT, &icount) < 0) {
        return errno;
    }
    *counters = {icount.cts, icount.dsr, icount.rng, icount.dcd};
    return 0;
}

int PosixSerialSystem::waitModemChange(int fd, int lines, const LineCounters& seen, int timeoutUs) {
    // The timer first: it also unblocks the wake signal for this thread.
    thread_local RecheckTimer timer;
    thread_local ModemWaitGuard guard(wakeSignal());
    if (timeoutUs >= 0) {
        timer.arm(qMax(1, timeoutUs));
    }
    guard.enter(fd, lines, seen);
    const int error = result(::ioctl(fd, TIOCMIWAIT, static_cast<unsigned long>(lines)));
    guard.leave();
    if (timeoutUs >= 0) {
        timer.disarm();
    }
    return error;
}

int PosixSerialSystem::inputQueue(int fd, int* bytes) {
    return result(::ioctl(fd, TIOCINQ, bytes));
}

int PosixSerialSystem::flushInput(int fd) {
    return result(::ioctl(fd, TCFLSH, TCIFLUSH));
}

int PosixSerialSystem::setLowLatency(int fd) {
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) < 0) {
        return errno;
    }
    info.flags |= ASYNC_LOW_LATENCY;
    return result(::ioctl(fd, TIOCSSERIAL, &info));
}

int PosixSerialSystem::uartType(int fd, int* type) {
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) < 0) {
        return errno;
    }
    *type = info.type;
    return 0;
}

QString PosixSerialSystem::driverName(const QByteArray& path) {
    const QString name = QFileInfo(QString::fromLocal8Bit(path)).fileName();
    const QString link = m_sysfsRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device/driver");
    const QString target = QFileInfo(link).symLinkTarget();
    return target.isEmpty() ? QString() : QFileInfo(target).fileName();
}

void PosixSerialSystem::interruptWait(pthread_t thread) {
    pthread_kill(thread, wakeSignal());
}
