#include "web/connection_guard.h"

#include <QTcpSocket>

namespace {

// A refusal written by the guard itself, before the HTTP server has seen the socket.
QByteArray refusal(const QByteArray& status) {
    const QByteArray body = status + '\n';
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\nRetry-After: 5\r\n\r\n" + body;
}

// Refused sockets still flushing their answer; more are closed without one.
constexpr int maxRefusing = 64;
constexpr int refuseFlushMs = 2000;
// After the HTTP server stopped reading a socket, a push channel has this long to claim it.
constexpr int handOverMs = 2000;

} // namespace

ConnectionGuard::ConnectionGuard(const WebLimits& limits, std::function<int()> pushCount, QObject* parent)
    : QTcpServer(parent), m_limits(limits), m_pushCount(std::move(pushCount)) {
    m_clock.start();
    // A crowd opening the page at once must not wait for SYN retries.
    setListenBacklogSize(512);
    m_sweep.setInterval(m_limits.sweepMs);
    connect(&m_sweep, &QTimer::timeout, this, &ConnectionGuard::sweep);
    m_sweep.start();
    // Out of file descriptors, QTcpServer stops accepting for good; once pages have left or
    // been swept, new ones must get in again.
    connect(this, &QTcpServer::acceptError, this, [this] {
        QTimer::singleShot(m_limits.sweepMs, this, [this] {
            if (isListening())
                resumeAccepting();
        });
    });
}

ConnectionGuard::~ConnectionGuard() {
    // Sockets not yet taken are deleted by QTcpServer's destructor, after the members here are
    // gone: what they signal then must not reach this object.
    const QList<QTcpSocket*> sockets = findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket* socket : sockets)
        disconnect(socket, nullptr, this, nullptr);
}

void ConnectionGuard::incomingConnection(qintptr handle) {
    const int open = pageConnections() + (m_pushCount ? m_pushCount() : 0);
    if (open >= m_limits.maxConnections) {
        refuseBusy(handle);
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    Watch watch;
    watch.socket = socket;
    watch.lastRead = m_clock.elapsed();
    // Connected before the HTTP server's own handler, so it sees the bytes first.
    watch.reading = connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readArrived(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_sockets.remove(socket); });
    // Gone for good: the HTTP server may still hold it in a half-read request and keep it.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_sockets.remove(socket);
        disconnect(socket, nullptr, this, nullptr);
        socket->deleteLater();
    });
    m_sockets.insert(socket, watch);
    addPendingConnection(socket);
}

void ConnectionGuard::readArrived(QTcpSocket* socket) {
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end())
        return;
    const qint64 now = m_clock.elapsed();
    it->lastRead = now;
    if (it->requestStart < 0)
        it->requestStart = now;
    // The HTTP server reads everything each time, so what is waiting is what just came.
    it->pending += socket->bytesAvailable();
    if (it->pending > m_limits.maxRequestBytes)
        refuse(socket, "431 Request Header Fields Too Large");
    else
        takePushChannel(socket);
}

void ConnectionGuard::responded(QTcpSocket* socket) {
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end())
        return;
    it->pending = 0;
    it->requestStart = -1;
    // Bytes of a next request already waiting count for it.
    if (socket->bytesAvailable() > 0) {
        it->requestStart = m_clock.elapsed();
        it->pending = socket->bytesAvailable();
    }
}

bool ConnectionGuard::takePushChannel(QTcpSocket* socket) {
    // Only while the HTTP server has read nothing of it yet.
    if (socket->isTransactionStarted() || !m_httpServer)
        return false;
    const QByteArray waiting = socket->peek(m_limits.maxRequestBytes);
    const qsizetype end = waiting.indexOf("\r\n\r\n");
    if (end < 0 || !waiting.startsWith("GET "))
        return false;
    const QByteArray header = waiting.left(end).toLower();
    if (!header.contains("\nupgrade: websocket") && !header.contains("\nupgrade:websocket"))
        return false;

    // The HTTP server lets go of it: no reading, no deletion on disconnect.
    disconnect(socket, &QTcpSocket::readyRead, m_httpServer, nullptr);
    disconnect(socket, &QTcpSocket::disconnected, socket, nullptr);
    m_sockets.remove(socket);
    disconnect(socket, nullptr, this, nullptr);
    emit pushRequested(socket);
    return true;
}

void ConnectionGuard::sweep() {
    const qint64 now = m_clock.elapsed();
    QList<QTcpSocket*> overdue;
    for (auto it = m_sockets.begin(); it != m_sockets.end();) {
        Watch& w = *it;
        if (!w.socket) {
            it = m_sockets.erase(it);
            continue;
        }
        if (!w.reading && w.letGo < 0)
            w.letGo = now; // the parser gave up on it, or it is becoming a push channel
        const bool idle = now - w.lastRead > m_limits.idleMs;
        const bool slow = w.requestStart >= 0 && now - w.requestStart > m_limits.requestMs;
        const bool abandoned = w.letGo >= 0 && now - w.letGo > handOverMs;
        const bool gone = w.socket->state() == QAbstractSocket::UnconnectedState;
        if (idle || slow || abandoned || gone)
            overdue.append(w.socket);
        ++it;
    }
    for (QTcpSocket* socket : overdue) {
        m_sockets.remove(socket);
        disconnect(socket, nullptr, this, nullptr);
        closeNow(socket);
    }
}

void ConnectionGuard::refuseBusy(qintptr handle) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    if (m_refusing >= maxRefusing) {
        closeNow(socket);
        return;
    }
    ++m_refusing;
    connect(socket, &QObject::destroyed, this, [this] { --m_refusing; });
    // Whatever the client sends is not read into memory.
    socket->setReadBufferSize(1);
    socket->write(refusal("503 Service Unavailable"));
    socket->disconnectFromHost();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(refuseFlushMs, socket, [socket] { closeNow(socket); });
}

void ConnectionGuard::refuse(QTcpSocket* socket, const QByteArray& status) {
    // The HTTP server must not parse the rest; this guard answers and drains.
    if (m_httpServer)
        disconnect(socket, &QTcpSocket::readyRead, m_httpServer, nullptr);
    const auto it = m_sockets.find(socket);
    if (it != m_sockets.end()) {
        disconnect(it->reading);
        it->reading = connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (socket->isTransactionStarted())
                socket->commitTransaction();
            socket->readAll();
            const auto w = m_sockets.find(socket);
            if (w != m_sockets.end())
                w->lastRead = m_clock.elapsed();
        });
        it->requestStart = m_clock.elapsed(); // the refusal must be gone within the request time
        it->letGo = -1;
    }
    if (socket->isTransactionStarted())
        socket->commitTransaction();
    socket->readAll();
    socket->write(refusal(status));
    socket->disconnectFromHost();
}

void ConnectionGuard::closeNow(QTcpSocket* socket) {
    socket->abort();
    socket->deleteLater();
}
