#pragma once

#include "web/connection_guard.h"
#include "web/live_snapshot.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QThread>

class LiveHttpServer;

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

signals:
    void started(quint16 port);
    // message: the German text for the official.
    void failed(const QString& message);

private:
    void serverStarted(quint64 generation, quint16 port);
    void serverFailed(quint64 generation, quint16 port, const QString& reason);

    const WebLimits m_limits;
    QThread m_thread;
    LiveHttpServer* m_server = nullptr; // lives on m_thread
    LiveSnapshotPtr m_last;
    quint64 m_generation = 0; // answers of a server since stopped are ignored
    bool m_listening = false;
    quint16 m_port = 0;
};
