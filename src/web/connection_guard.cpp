// The live results server's guard at the door: the per-device booking, the size and idle caps,
// and the WebSocket handshakes taken away from the HTTP parser, whichever way they arrive.

#include "web/connection_guard.h"

#include "web/live_pages.h"
#include "web/qt_http_server_quirks.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>

namespace quirks = qt_http_server_quirks;

namespace {

// A refusal written by the guard itself, before the HTTP server has seen the socket; with the
// headers of every other answer.
QByteArray refusal(const QByteArray& status) {
    const QByteArray body = status + '\n';
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nCache-Control: no-store\r\nContent-Security-Policy: " + liveSecurityPolicy() +
           "\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n" + body;
}

// After the HTTP server stopped reading a socket, a push channel has this long to claim it.
constexpr int handOverMs = 2000;

quintptr idOf(QTcpSocket* socket) {
    return reinterpret_cast<quintptr>(socket);
}

// Whether the request's header (without its last line break) asks for a WebSocket, header names
// in any case; without a copy, as every request of every page comes through here.
bool asksForWebSocket(QByteArrayView header) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    const auto startsWithLower = [&](QByteArrayView text, QByteArrayView prefix) {
        return text.size() >= prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), text.begin(), [&](char p, char t) { return p == lower(t); });
    };
    for (qsizetype line = header.indexOf('\n'); line >= 0; line = header.indexOf('\n', line + 1)) {
        const QByteArrayView rest = header.sliced(line + 1);
        if (startsWithLower(rest, "upgrade: websocket") || startsWithLower(rest, "upgrade:websocket"))
            return true;
    }
    return false;
}

} // namespace

QString deviceKey(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4);
    if (v4)
        return QHostAddress(ip4).toString();
    Q_IPV6ADDR ip6 = address.toIPv6Address();
    for (int i = 8; i < 16; ++i)
        ip6[i] = 0;
    return QHostAddress(ip6).toString() + QStringLiteral("/64");
}

ConnectionGuard::ConnectionGuard(const WebLimits& limits, QObject* parent)
    : QTcpServer(parent), m_limits(limits), m_ledger(limits.maxConnections, limits.maxPerAddress) {
    m_clock.start();
    // A crowd opening the page at once must not wait for SYN retries.
    setListenBacklogSize(512);
    m_sweep.setInterval(m_limits.sweepMs);
    connect(&m_sweep, &QTimer::timeout, this, &ConnectionGuard::sweep);
    m_sweep.start();
    // Out of file descriptors, new pages must get in again once others have left or been swept.
    quirks::resumeAfterAcceptErrors(this, m_limits.sweepMs);
}

ConnectionGuard::~ConnectionGuard() {
    quirks::detachUntaken(this, this);
}

void ConnectionGuard::incomingConnection(qintptr handle) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    const QString device = deviceKey(socket->peerAddress());
    makeRoomFor(device);
    book(socket, device);

    Watch watch;
    watch.socket = socket;
    watch.lastRead = m_clock.elapsed();
    watch.reading = quirks::readBeforeParser(socket, this, [this, socket] { readArrived(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] {
        m_sockets.remove(socket);
        unbook(socket);
    });
    // Gone for good: the HTTP server may still hold it in a half-read request and keep it.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        forget(socket);
        socket->deleteLater();
    });
    m_sockets.insert(socket, watch);
    addPendingConnection(socket);
}

void ConnectionGuard::book(QTcpSocket* socket, const QString& device) {
    m_ledger.add(idOf(socket), device);
    m_booked.insert(socket, socket);
}

void ConnectionGuard::unbook(QTcpSocket* socket) {
    m_ledger.remove(idOf(socket));
    m_booked.remove(socket);
}

void ConnectionGuard::makeRoomFor(const QString& device) {
    while (const std::optional<quintptr> victim = m_ledger.victimFor(device)) {
        auto* key = reinterpret_cast<QTcpSocket*>(*victim);
        const QPointer<QTcpSocket> socket = m_booked.value(key);
        unbook(key);
        if (socket)
            drop(socket);
    }
}

bool ConnectionGuard::keepsUp(QTcpSocket* socket) {
    if (socket->bytesToWrite() <= m_limits.maxUnsentBytes)
        return true;
    drop(socket);
    return false;
}

void ConnectionGuard::readArrived(QTcpSocket* socket) {
    const auto it = m_sockets.find(socket);
    if (it == m_sockets.end() || !socket->isOpen())
        return;
    // A client asking faster than it reads would fill the memory with its answers.
    if (!keepsUp(socket))
        return;
    const qint64 now = m_clock.elapsed();
    it->lastRead = now;
    if (it->requestStart < 0)
        it->requestStart = now;
    // Only what came since the last look: pipelined requests wait unread between answers.
    const qint64 waiting = socket->bytesAvailable();
    it->pending += waiting >= it->counted ? waiting - it->counted : waiting;
    it->counted = waiting;
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
    it->counted = socket->bytesAvailable();
    if (it->counted > 0) {
        it->requestStart = m_clock.elapsed();
        it->pending = it->counted;
    }
}

bool ConnectionGuard::takePushChannel(QTcpSocket* socket) {
    if (!m_httpServer)
        return false;
    // A request split over several packets is looked at from its first byte.
    const QByteArray waiting = quirks::peekRequest(socket, m_limits.maxRequestBytes);
    if (!waiting.startsWith("GET "))
        return false;
    const qsizetype end = waiting.indexOf("\r\n\r\n");
    if (end < 0 || !asksForWebSocket(QByteArrayView(waiting).first(end)))
        return false;

    // No reading, no deletion on disconnect by the HTTP server. It stays booked.
    quirks::takeFromParser(socket, m_httpServer);
    m_sockets.remove(socket);
    disconnect(socket, nullptr, this, nullptr);
    connect(socket, &QObject::destroyed, this, [this, socket] { unbook(socket); });
    emit pushRequested(socket);
    return true;
}

void ConnectionGuard::sweep() {
    const qint64 now = m_clock.elapsed();
    qint64 unsent = 0;
    for (auto it = m_booked.begin(); it != m_booked.end();) {
        if (it.value()) {
            unsent += it.value()->bytesToWrite();
            ++it;
            continue;
        }
        m_ledger.remove(idOf(it.key()));
        it = m_booked.erase(it);
    }
    if (unsent > m_limits.maxUnsentTotal)
        shedUnsent(unsent);
    QList<QTcpSocket*> overdue;
    for (auto it = m_sockets.begin(); it != m_sockets.end();) {
        Watch& w = *it;
        if (!w.socket) {
            it = m_sockets.erase(it);
            continue;
        }
        if (quirks::parserLetGo(w.reading) && w.letGo < 0)
            w.letGo = now; // the parser gave up on it, or it is becoming a push channel
        const bool idle = now - w.lastRead > m_limits.idleMs;
        const bool slow = w.requestStart >= 0 && now - w.requestStart > m_limits.requestMs;
        const bool abandoned = w.letGo >= 0 && now - w.letGo > handOverMs;
        const bool gone = w.socket->state() == QAbstractSocket::UnconnectedState;
        const bool behind = w.socket->bytesToWrite() > m_limits.maxUnsentBytes;
        if (idle || slow || abandoned || gone || behind)
            overdue.append(w.socket);
        ++it;
    }
    for (QTcpSocket* socket : overdue) {
        forget(socket);
        closeNow(socket);
    }
}

void ConnectionGuard::shedUnsent(qint64 unsent) {
    // Many devices each under their own cap may still together hold too much: those that left
    // the most unread go first.
    QList<QPointer<QTcpSocket>> sockets = m_booked.values();
    std::sort(sockets.begin(), sockets.end(), [](const QPointer<QTcpSocket>& a, const QPointer<QTcpSocket>& b) {
        return (a ? a->bytesToWrite() : 0) > (b ? b->bytesToWrite() : 0);
    });
    for (const QPointer<QTcpSocket>& socket : sockets) {
        if (unsent <= m_limits.maxUnsentTotal || !socket)
            break;
        unsent -= socket->bytesToWrite();
        drop(socket);
    }
}

void ConnectionGuard::refuse(QTcpSocket* socket, const QByteArray& status) {
    // The HTTP server must not parse the rest; this guard answers and drains.
    if (m_httpServer)
        quirks::stopParser(socket, m_httpServer);
    const auto it = m_sockets.find(socket);
    if (it != m_sockets.end()) {
        disconnect(it->reading);
        it->reading = connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            quirks::drain(socket);
            const auto w = m_sockets.find(socket);
            if (w != m_sockets.end())
                w->lastRead = m_clock.elapsed();
        });
        it->requestStart = m_clock.elapsed(); // the refusal must be gone within the request time
        it->letGo = -1;
    }
    quirks::drain(socket);
    socket->write(refusal(status));
    socket->disconnectFromHost();
}

void ConnectionGuard::forget(QTcpSocket* socket) {
    m_sockets.remove(socket);
    unbook(socket);
    disconnect(socket, nullptr, this, nullptr);
}

void ConnectionGuard::drop(QTcpSocket* socket) {
    unbook(socket);
    if (m_sockets.contains(socket)) {
        forget(socket);
        closeNow(socket);
    } else {
        // A push channel or its handshake: its owner cleans up on the disconnect.
        socket->abort();
    }
}

void ConnectionGuard::closeNow(QTcpSocket* socket) {
    socket->abort();
    socket->deleteLater();
}
