// The HTTP server of the live results: the pages, the JSON answers and the push channel on
// "/ws", on a thread of its own.

#pragma once

#include "web/connection_guard.h"
#include "web/live_snapshot.h"
#include "web/live_state.h"
#include "web/push_channels.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QList>

// The live results server proper: answers GET and HEAD for "/", "/aushang", "/api/live",
// "/api/protocol", "/api/state", "/live.js" and "/live.css" (other methods get 405, other
// paths 404) and pushes every new snapshot to the pages connected on "/ws". Every answer
// carries the security policy and is never cached; what a page asked for before and has
// unchanged costs it a "304", what is large goes compressed when the page takes it so.
// Lives on the server thread; snapshots arrive there through publish().
class LiveHttpServer : public QAbstractHttpServer {
    Q_OBJECT

public:
    explicit LiveHttpServer(const WebLimits& limits = {}, QObject* parent = nullptr);
    ~LiveHttpServer() override;

    // Listens; false with the system's reason when the port cannot be had.
    bool listenOn(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const;
    void publish(const LiveSnapshotPtr& snapshot);

    int pushChannels() const { return m_push->count(); }
    ConnectionGuard& guard() const { return *m_guard; }
    const LiveState& state() const { return m_state; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Answer {
        Answer(QByteArray body, QByteArray contentType, int status = 200, QByteArray tag = {}, QByteArray packKey = {},
               QByteArray allow = {})
            : body(std::move(body)), contentType(std::move(contentType)), status(status), tag(std::move(tag)),
              packKey(std::move(packKey)), allow(std::move(allow)) {}
        QByteArray body;
        QByteArray contentType;
        int status;
        QByteArray tag;     // ETag; a request naming it gets 304
        QByteArray packKey; // compressed when the page takes it so, once per key and version
        QByteArray allow;   // for 405
    };
    Answer answerFor(const QHttpServerRequest& request) const;
    Answer protocolAnswer(const QHttpServerRequest& request) const;
    void respond(const QHttpServerRequest& request, QTcpSocket* socket, Answer answer);
    QByteArray deflated(const Answer& answer) const;

    ConnectionGuard* m_guard = nullptr;
    PushChannels* m_push = nullptr;
    mutable LiveState m_state;
    // Compressed answers of the current protocol version, made once for every page.
    mutable QByteArray m_packedVersion;
    mutable QHash<QByteArray, QByteArray> m_packed;
};
