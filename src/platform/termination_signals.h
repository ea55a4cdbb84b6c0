// SIGTERM, SIGINT and SIGHUP as a Qt signal, so that a desktop logout or a kill ends the
// program like a confirmed close, with the backup and the settings written.

#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the thread that created the
// object, so the program can end as a confirmed close would (backup and settings
// written). The signal handler only writes the signal's number into a socket pair;
// a QSocketNotifier reads it back in the event loop. Only one instance can be active
// per process (the handler has one socket to write to); a second one stays inactive.
// A signal that is ignored when the object is made (nohup, background jobs) stays
// ignored. The previous handlers are restored on destruction. Create and destroy on
// one thread.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the handlers could not be installed (another instance, no sockets).
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignals();

    int m_fds[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};
