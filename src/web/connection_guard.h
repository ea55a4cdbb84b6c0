// The listening socket of the live results server: books every connection by device and
// drops the oldest of the biggest holder when full, caps requests and hands WebSockets on.

#pragma once

#include "web/address_ledger.h"
#include "web/web_limits.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QHostAddress;
class QTcpSocket;

// The device a connection comes from, for the per-address cap: an IPv4 address as it is, an
// IPv6 address by its /64 network (one device may hold many addresses in it).
QString deviceKey(const QHostAddress& address);

// The listening socket of the live results server. Every accepted socket and every push
// channel is booked by address: a device over its cap loses its oldest connection, and a full
// server the oldest of the device holding the most, so a newcomer is always let in. It caps
// each request's size (then "431" and closed) and what a client leaves unread, and closes page
// connections that stay idle or never finish their request, also those the HTTP parser gave up
// on. A WebSocket handshake, however it arrives, is taken away from the HTTP server and handed
// on by pushRequested(). What this relies on in Qt HTTP Server is in qt_http_server_quirks.h.
// Lives on the server thread, like the HTTP server it feeds.
class ConnectionGuard : public QTcpServer {
    Q_OBJECT

public:
    explicit ConnectionGuard(const WebLimits& limits, QObject* parent = nullptr);
    ~ConnectionGuard() override;

    // The HTTP server whose read handler a refused socket is taken from.
    void setHttpServer(QObject* server) { m_httpServer = server; }
    // A response went out: the next request starts from zero.
    void responded(QTcpSocket* socket);
    // Page sockets open now.
    int pageConnections() const { return int(m_sockets.size()); }
    // Page sockets and push channels (with their handshakes) open now.
    int connections() const { return m_ledger.count(); }
    const WebLimits& limits() const { return m_limits; }
    // A client that took less than the cap leaves behind; else it is closed here and now.
    bool keepsUp(QTcpSocket* socket);

signals:
    // A socket with a WebSocket handshake waiting unread in it; the receiver owns it now.
    // It stays booked under its address until it is destroyed.
    void pushRequested(QTcpSocket* socket);

protected:
    void incomingConnection(qintptr handle) override;

private:
    struct Watch {
        QPointer<QTcpSocket> socket;
        QMetaObject::Connection reading; // read before the parser; gone once the parser let go
        qint64 lastRead = 0;
        qint64 requestStart = -1; // first byte of the request not yet answered
        qint64 pending = 0;       // its bytes so far
        qint64 counted = 0;       // of them, still unread in the socket
        qint64 letGo = -1;        // when reading was found gone
    };

    void makeRoomFor(const QString& device);
    void book(QTcpSocket* socket, const QString& device);
    void unbook(QTcpSocket* socket);
    void readArrived(QTcpSocket* socket);
    bool takePushChannel(QTcpSocket* socket);
    void sweep();
    void shedUnsent(qint64 unsent);
    void refuse(QTcpSocket* socket, const QByteArray& status);
    void forget(QTcpSocket* socket);
    // Ends a booked connection, whether it is a page of ours or a push channel.
    void drop(QTcpSocket* socket);
    static void closeNow(QTcpSocket* socket);

    const WebLimits m_limits;
    QObject* m_httpServer = nullptr;
    QHash<QTcpSocket*, Watch> m_sockets;
    AddressLedger m_ledger;
    // The booked sockets; watched by pointer, as the HTTP and WebSocket code may cut every
    // signal of a socket it gives up on.
    QHash<QTcpSocket*, QPointer<QTcpSocket>> m_booked;
    QElapsedTimer m_clock;
    QTimer m_sweep;
};
