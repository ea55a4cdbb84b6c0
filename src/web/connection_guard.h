#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <functional>

class QTcpSocket;

// The limits the live results server keeps against a crowd and against bad clients.
struct WebLimits {
    int maxConnections = 500;      // sockets at once, web pages and push channels together
    qint64 maxRequestBytes = 8192; // one request, line and headers (no request has a body)
    int idleMs = 15000;            // a page connection that sends nothing is closed
    int requestMs = 10000;         // a request begun must be complete by then
    int sweepMs = 1000;
};

// The listening socket of the live results server: it accepts at most maxConnections
// sockets (more get "503 Service Unavailable" and are closed), caps each request's size
// (then "431" and closed), and closes page connections that stay idle or never finish
// their request, also those the HTTP parser gave up on. A complete WebSocket handshake
// arriving in one piece is taken away from the HTTP server (whose own upgrade does not
// work in Qt 6.4) and handed on by pushRequested(); the push channel watches it from then.
// Lives on the server thread, like the HTTP server it feeds.
class ConnectionGuard : public QTcpServer {
    Q_OBJECT

public:
    // pushCount: how many push channels are open, for the connection total.
    ConnectionGuard(const WebLimits& limits, std::function<int()> pushCount, QObject* parent = nullptr);
    ~ConnectionGuard() override;

    // The HTTP server whose read handler a refused socket is taken from.
    void setHttpServer(QObject* server) { m_httpServer = server; }
    // A response went out: the next request starts from zero.
    void responded(QTcpSocket* socket);
    // Page sockets open now.
    int pageConnections() const { return int(m_sockets.size()); }
    const WebLimits& limits() const { return m_limits; }

signals:
    // A socket with a WebSocket handshake waiting unread in it; the receiver owns it now.
    void pushRequested(QTcpSocket* socket);

protected:
    void incomingConnection(qintptr handle) override;

private:
    struct Watch {
        QPointer<QTcpSocket> socket;
        QMetaObject::Connection reading; // gone once the HTTP server let go of the socket
        qint64 lastRead = 0;
        qint64 requestStart = -1; // first byte of the request not yet answered
        qint64 pending = 0;       // its bytes so far
        qint64 letGo = -1;        // when reading was found gone
    };

    void readArrived(QTcpSocket* socket);
    bool takePushChannel(QTcpSocket* socket);
    void sweep();
    void refuseBusy(qintptr handle);
    void refuse(QTcpSocket* socket, const QByteArray& status);
    static void closeNow(QTcpSocket* socket);

    const WebLimits m_limits;
    const std::function<int()> m_pushCount;
    QObject* m_httpServer = nullptr;
    QHash<QTcpSocket*, Watch> m_sockets;
    int m_refusing = 0;
    QElapsedTimer m_clock;
    QTimer m_sweep;
};
