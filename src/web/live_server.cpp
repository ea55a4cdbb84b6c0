#include "web/live_server.h"

#include "web/live_http_server.h"

#include <QMetaObject>

LiveServer::LiveServer(const WebLimits& limits, QObject* parent) : QObject(parent), m_limits(limits) {
    m_thread.setObjectName(QStringLiteral("live results"));
}

LiveServer::~LiveServer() {
    stop();
    m_thread.quit();
    m_thread.wait();
}

void LiveServer::start(quint16 port, const QHostAddress& address) {
    stop();
    if (!m_thread.isRunning())
        m_thread.start();
    const quint64 generation = ++m_generation;
    m_server = new LiveHttpServer(m_limits);
    m_server->moveToThread(&m_thread);
    LiveHttpServer* server = m_server;
    const LiveSnapshotPtr last = m_last;
    QMetaObject::invokeMethod(server, [this, server, generation, port, address, last] {
        QString reason;
        if (last)
            server->publish(last);
        if (server->listenOn(address, port, &reason)) {
            const quint16 bound = server->port();
            QMetaObject::invokeMethod(this, [this, generation, bound] { serverStarted(generation, bound); });
        } else {
            QMetaObject::invokeMethod(this,
                                      [this, generation, port, reason] { serverFailed(generation, port, reason); });
        }
    });
}

void LiveServer::stop() {
    ++m_generation;
    m_listening = false;
    m_port = 0;
    if (m_server) {
        // Deleted on its own thread, with every socket it holds.
        m_server->deleteLater();
        m_server = nullptr;
    }
}

void LiveServer::publish(LiveSnapshotPtr snapshot) {
    m_last = snapshot;
    if (!m_server)
        return;
    LiveHttpServer* server = m_server;
    QMetaObject::invokeMethod(server, [server, snapshot] { server->publish(snapshot); });
}

void LiveServer::serverStarted(quint64 generation, quint16 port) {
    if (generation != m_generation)
        return;
    m_listening = true;
    m_port = port;
    emit started(port);
}

void LiveServer::serverFailed(quint64 generation, quint16 port, const QString& reason) {
    if (generation != m_generation)
        return;
    stop();
    emit failed(QStringLiteral("Die Live-Ergebnisse können Port %1 nicht öffnen (%2). "
                               "Bitte in den Einstellungen einen anderen Port wählen.")
                    .arg(port)
                    .arg(reason));
}
