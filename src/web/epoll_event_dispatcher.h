#pragma once
// The event loop of the live results server's thread, on epoll: its cost follows the sockets
// that have something to say, not the number of pages open.

#include <QAbstractEventDispatcher>
#include <QHash>
#include <QList>

#include <atomic>

class QSocketNotifier;

// Qt's own dispatchers (GLib's on Linux, or Qt's poll() loop) hand every open socket to poll()
// at every turn of the loop, and GLib's wakes itself once more whenever a write notifier is
// armed or disarmed. With 400 pages open that was most of the server thread's processor time,
// so on a loaded laptop the thread, kept at a low priority on purpose, fell behind its share.
// Here a socket is registered once and only ready ones come back. Timers are kept in a plain
// list (the server has a handful); events posted from other threads wake it through an eventfd.
// Installed on the server thread before it starts; used on that thread only, except wakeUp()
// and interrupt(), which any thread may call.
class EpollEventDispatcher : public QAbstractEventDispatcher {
    Q_OBJECT

public:
    explicit EpollEventDispatcher(QObject* parent = nullptr);
    ~EpollEventDispatcher() override;

    // False when the kernel gave no epoll or eventfd descriptor; then it must not be installed.
    bool isValid() const { return m_epoll >= 0; }

    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void registerSocketNotifier(QSocketNotifier* notifier) override;
    void unregisterSocketNotifier(QSocketNotifier* notifier) override;
    void registerTimer(int timerId, qint64 interval, Qt::TimerType timerType, QObject* object) override;
    bool unregisterTimer(int timerId) override;
    bool unregisterTimers(QObject* object) override;
    QList<TimerInfo> registeredTimers(QObject* object) const override;
    int remainingTime(int timerId) override;
    void wakeUp() override;
    void interrupt() override;

private:
    struct Watched {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
        QSocketNotifier* exception = nullptr;
    };
    struct Timer {
        int id = 0;
        qint64 intervalMs = 0;
        Qt::TimerType type = Qt::CoarseTimer;
        QObject* object = nullptr;
        qint64 dueNs = 0;
        bool firing = false; // not again from a loop its own handler runs
    };

    void closeDescriptors();
    void watch(int fd, const Watched& watched, bool known);
    int activateNotifiers(const struct epoll_event* events, int count);
    int activateTimers();
    int nextTimeoutMs() const;
    bool stillWatched(int fd, QSocketNotifier* notifier) const;

    int m_epoll = -1;
    int m_wake = -1; // eventfd
    std::atomic<bool> m_interrupted{false};
    QHash<int, Watched> m_watched;
    QList<Timer> m_timers;
};
