// The live results server as the main window uses it, with the HTTP server on a thread of
// its own so that neither the GUI nor a page ever waits for the other.

#pragma once

#include "web/connection_guard.h"
#include "web/live_snapshot.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QThread>

class LiveHttpServer;

// The server thread's end: creates the HTTP server there (its WebSocket parts must be
// born on the thread that runs them), hands it snapshots and ends it.
class LiveServerHost : public QObject {
    Q_OBJECT

public:
    explicit LiveServerHost(const WebLimits& limits) : m_limits(limits) {}
    ~LiveServerHost() override;

    void start(quint64 generation, const QHostAddress& address, quint16 port);
    void stop();
    void publish(const LiveSnapshotPtr& snapshot);

signals:
    void started(quint64 generation, quint16 port);
    void failed(quint64 generation, quint16 port, const QString& reason);

private:
    const WebLimits m_limits;
    LiveHttpServer* m_server = nullptr;
    LiveSnapshotPtr m_last;
};

// The live results server as the main window sees it: the HTTP server runs on a thread
// of its own, so no page request ever waits for the GUI and the GUI never waits for a
// page. Everything crosses by queued calls; snapshots are shared and immutable.
// Created, used and destroyed on the GUI thread.
class LiveServer : public QObject {
    Q_OBJECT

public:
    explicit LiveServer(const WebLimits& limits = {}, QObject* parent = nullptr);
    ~LiveServer() override;

    // Starts listening on port (0: any free port); started() or failed() follows.
    // A server already running is stopped first.
    void start(quint16 port, const QHostAddress& address = QHostAddress::Any);
    void stop();
    // The newest state for every page; the last one is kept for pages that come later.
    void publish(LiveSnapshotPtr snapshot);

    bool isListening() const { return m_listening; }
    // The port listened on, once started() has come.
    quint16 port() const { return m_port; }
    // The address asked to listen on (Any: every interface).
    QHostAddress address() const { return m_address; }

signals:
    void started(quint16 port);
    // message: the German text for the official.
    void failed(const QString& message);

private:
    void hostStarted(quint64 generation, quint16 port);
    void hostFailed(quint64 generation, quint16 port, const QString& reason);

    QThread m_thread;
    LiveServerHost* m_host;   // lives on m_thread
    quint64 m_generation = 0; // answers of a server since stopped are ignored
    bool m_running = false;
    bool m_listening = false;
    quint16 m_port = 0;
    QHostAddress m_address;
};
