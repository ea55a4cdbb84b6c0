// The live results server thread's event loop on epoll; the header says why.
#include "web/epoll_event_dispatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimerEvent>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr int maxEventsPerTurn = 128;

qint64 nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

EpollEventDispatcher::EpollEventDispatcher(QObject* parent)
    : QAbstractEventDispatcher(parent), m_epoll(epoll_create1(EPOLL_CLOEXEC)),
      m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.fd = m_wake;
    // Out of descriptors, say: the caller keeps Qt's own loop, the timing never notices.
    if (m_epoll < 0 || m_wake < 0 || epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &wake) != 0) {
        qWarning("The live results server keeps Qt's event loop, epoll failed: %s", strerror(errno));
        closeDescriptors();
    }
}

EpollEventDispatcher::~EpollEventDispatcher() {
    closeDescriptors();
}

void EpollEventDispatcher::closeDescriptors() {
    if (m_wake >= 0)
        close(m_wake);
    if (m_epoll >= 0)
        close(m_epoll);
    m_wake = m_epoll = -1;
}

bool EpollEventDispatcher::processEvents(QEventLoop::ProcessEventsFlags flags) {
    m_interrupted = false;
    emit awake();
    QCoreApplication::sendPostedEvents();
    int timeoutMs = 0;
    if (flags.testFlag(QEventLoop::WaitForMoreEvents) && !m_interrupted) {
        emit aboutToBlock();
        timeoutMs = flags.testFlag(QEventLoop::X11ExcludeTimers) ? -1 : nextTimeoutMs();
    }
    if (m_interrupted)
        return false;
    epoll_event events[maxEventsPerTurn];
    const int ready = epoll_wait(m_epoll, events, maxEventsPerTurn, timeoutMs);
    int handled = 0;
    // Sockets left out are reported again at the next turn: epoll here is level-triggered.
    if (ready > 0 && !flags.testFlag(QEventLoop::ExcludeSocketNotifiers))
        handled += activateNotifiers(events, ready);
    if (!flags.testFlag(QEventLoop::X11ExcludeTimers))
        handled += activateTimers();
    return handled > 0;
}

int EpollEventDispatcher::activateNotifiers(const epoll_event* events, int count) {
    struct Pending {
        int fd;
        QSocketNotifier* notifier;
    };
    QVarLengthArray<Pending, maxEventsPerTurn> pending;
    int handled = 0;
    for (int i = 0; i < count; ++i) {
        const int fd = events[i].data.fd;
        const quint32 happened = events[i].events;
        if (fd == m_wake) {
            quint64 wakeUps = 0;
            if (read(m_wake, &wakeUps, sizeof wakeUps) > 0)
                ++handled;
            continue;
        }
        const auto it = m_watched.constFind(fd);
        if (it == m_watched.cend())
            continue;
        // As Qt's own loop: a hang-up or an error is news for the reader; the writer hears of
        // them too, so that a socket watched for writing only cannot keep the loop spinning.
        if (it->read && (happened & (EPOLLIN | EPOLLHUP | EPOLLERR)))
            pending.append({fd, it->read});
        if (it->write && (happened & (EPOLLOUT | EPOLLHUP | EPOLLERR)))
            pending.append({fd, it->write});
        if (it->exception && (happened & EPOLLPRI))
            pending.append({fd, it->exception});
    }
    for (const Pending& p : pending) {
        // An earlier handler may have closed the socket or turned its notifier off.
        if (!stillWatched(p.fd, p.notifier))
            continue;
        QEvent activation(QEvent::SockAct);
        QCoreApplication::sendEvent(p.notifier, &activation);
        ++handled;
    }
    return handled;
}

bool EpollEventDispatcher::stillWatched(int fd, QSocketNotifier* notifier) const {
    const auto it = m_watched.constFind(fd);
    return it != m_watched.cend() && (it->read == notifier || it->write == notifier || it->exception == notifier);
}

void EpollEventDispatcher::registerSocketNotifier(QSocketNotifier* notifier) {
    const int fd = int(notifier->socket());
    const bool known = m_watched.contains(fd);
    Watched& watched = m_watched[fd];
    switch (notifier->type()) {
    case QSocketNotifier::Read:
        watched.read = notifier;
        break;
    case QSocketNotifier::Write:
        watched.write = notifier;
        break;
    case QSocketNotifier::Exception:
        watched.exception = notifier;
        break;
    }
    watch(fd, watched, known);
}

void EpollEventDispatcher::unregisterSocketNotifier(QSocketNotifier* notifier) {
    const int fd = int(notifier->socket());
    const auto it = m_watched.find(fd);
    if (it == m_watched.end())
        return;
    for (QSocketNotifier** slot : {&it->read, &it->write, &it->exception}) {
        if (*slot == notifier)
            *slot = nullptr;
    }
    if (it->read || it->write || it->exception) {
        watch(fd, *it, true);
        return;
    }
    m_watched.erase(it);
    // Fails harmlessly when the descriptor is closed already: the kernel forgot it then.
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
}

void EpollEventDispatcher::watch(int fd, const Watched& watched, bool known) {
    epoll_event interest{};
    interest.events =
        (watched.read ? EPOLLIN : 0u) | (watched.write ? EPOLLOUT : 0u) | (watched.exception ? EPOLLPRI : 0u);
    interest.data.fd = fd;
    // A descriptor closed and opened again under its number is new to the kernel.
    if (epoll_ctl(m_epoll, known ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &interest) == 0)
        return;
    if (epoll_ctl(m_epoll, known ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, fd, &interest) != 0)
        qWarning("The live results server cannot watch socket %d: %s", fd, strerror(errno));
}

void EpollEventDispatcher::registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject* object) {
    m_timers.append({timerId, interval, timerType, object, nowNs() + interval * 1000000, false});
}

bool EpollEventDispatcher::unregisterTimer(int timerId) {
    return m_timers.removeIf([timerId](const Timer& t) { return t.id == timerId; }) > 0;
}

bool EpollEventDispatcher::unregisterTimers(QObject* object) {
    return m_timers.removeIf([object](const Timer& t) { return t.object == object; }) > 0;
}

QList<QAbstractEventDispatcher::TimerInfo> EpollEventDispatcher::registeredTimers(QObject* object) const {
    QList<TimerInfo> timers;
    for (const Timer& t : m_timers) {
        if (t.object == object)
            timers.append(TimerInfo(t.id, int(t.intervalMs), t.type));
    }
    return timers;
}

int EpollEventDispatcher::remainingTime(int timerId) {
    for (const Timer& t : std::as_const(m_timers)) {
        if (t.id == timerId)
            return int(std::max<qint64>(0, (t.dueNs - nowNs()) / 1000000));
    }
    return -1;
}

int EpollEventDispatcher::nextTimeoutMs() const {
    const qint64 now = nowNs();
    qint64 soonest = -1;
    for (const Timer& t : m_timers) {
        if (t.firing)
            continue;
        // Rounded up: waking before the timer is due would only spin.
        const qint64 waitMs = std::max<qint64>(0, (t.dueNs - now + 999999) / 1000000);
        if (soonest < 0 || waitMs < soonest)
            soonest = waitMs;
    }
    return int(std::min<qint64>(soonest, 24 * 3600 * 1000));
}

int EpollEventDispatcher::activateTimers() {
    const qint64 now = nowNs();
    QVarLengthArray<int, 16> due;
    for (const Timer& t : std::as_const(m_timers)) {
        if (!t.firing && t.dueNs <= now)
            due.append(t.id);
    }
    int fired = 0;
    for (const int id : due) {
        const auto find = [this, id] {
            return std::find_if(m_timers.begin(), m_timers.end(), [id](const Timer& t) { return t.id == id; });
        };
        auto it = find();
        if (it == m_timers.end())
            continue; // killed by an earlier handler
        const qint64 intervalNs = it->intervalMs * 1000000;
        // A turn late, the timer keeps its beat; further behind, it starts a new one.
        it->dueNs += intervalNs;
        if (it->dueNs < now)
            it->dueNs = now + intervalNs;
        it->firing = true;
        QTimerEvent event(id);
        QCoreApplication::sendEvent(it->object, &event);
        ++fired;
        it = find();
        if (it != m_timers.end())
            it->firing = false;
    }
    return fired;
}

void EpollEventDispatcher::wakeUp() {
    const quint64 one = 1;
    // Only a full counter refuses, and then the loop is woken anyway.
    [[maybe_unused]] const ssize_t written = write(m_wake, &one, sizeof one);
}

void EpollEventDispatcher::interrupt() {
    m_interrupted = true;
    wakeUp();
}
