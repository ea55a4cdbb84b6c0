#pragma once

#include "web/connection_guard.h"
#include "web/live_snapshot.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWebSocketServer>

class QWebSocket;

// The live results server proper: answers GET and HEAD for "/", "/aushang", "/api/state",
// "/live.js" and "/live.css" (other methods get 405, other paths 404) and pushes every new
// snapshot to the pages connected on "/ws". Every answer carries the security policy and
// is never cached. Lives on the server thread; snapshots arrive there through publish().
class LiveHttpServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    explicit LiveHttpServer(const WebLimits& limits = {}, QObject* parent = nullptr);
    ~LiveHttpServer() override;

    // Listens; false with the system's reason when the port cannot be had.
    bool listenOn(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;
    void publish(const LiveSnapshotPtr& snapshot);

    int pushChannels() const { return int(m_channels.size()); }
    ConnectionGuard& guard() const { return *m_guard; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Answer {
        Answer(QByteArray body, QByteArray contentType, int status = 200, QByteArray allow = {})
            : body(std::move(body)), contentType(std::move(contentType)), status(status), allow(std::move(allow)) {}
        QByteArray body;
        QByteArray contentType;
        int status;
        QByteArray allow; // for 405
    };
    Answer answerFor(const QString& path) const;
    void respond(const QHttpServerRequest& request, QTcpSocket* socket, const Answer& answer);
    QByteArray currentState() const;
    void acceptPushChannels();
    void pingChannels();
    void dropChannel(QWebSocket* channel);

    struct Channel {
        QWebSocket* socket = nullptr;
        QPointer<QTcpSocket> line; // underneath, for what it has not sent yet
        qint64 lastPong = 0;
    };

    QWebSocketServer m_push; // handshakes only; it listens on nothing
    struct Handshake {
        QPointer<QTcpSocket> line;
        qint64 since = 0;
    };
    QList<Handshake> m_handshaking; // taken from the HTTP server, not yet a channel
    ConnectionGuard* m_guard = nullptr;
    LiveSnapshotPtr m_snapshot;
    QByteArray m_tail;
    quint64 m_seq = 0;
    QList<Channel> m_channels;
    QTimer m_ping;
};
