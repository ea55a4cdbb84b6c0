#include "web/live_http_server.h"

#include "web/lan_addresses.h"
#include "web/live_pages.h"
#include "web/socket_error_text.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QWebSocket>

namespace {

// A page's push channel only ever receives; what it may send is a close or a pong.
constexpr quint64 maxIncomingMessage = 1024;
// Pings keep phones' channels alive through Wi-Fi routers and find the half-open ones.
constexpr int pingMs = 10000;
constexpr int deadChannelMs = 35000;
// A page that stops reading is dropped rather than kept growing: it gets the whole state again
// when it comes back.
constexpr qint64 maxUnsent = 1 << 20;

} // namespace

LiveHttpServer::LiveHttpServer(const WebLimits& limits, QObject* parent)
    : QAbstractHttpServer(parent), m_push(QStringLiteral("Tarvolt"), QWebSocketServer::NonSecureMode) {
    m_guard = new ConnectionGuard(
        limits, [this] { return pushChannels(); }, this);
    m_guard->setHttpServer(this);
    connect(m_guard, &ConnectionGuard::pushRequested, this, [this](QTcpSocket* socket) {
        m_handshaking.append({socket, steadyNowMs()});
        m_push.handleConnection(socket);
        // The handshake is read by the push server's own handler, once this read is over.
        QMetaObject::invokeMethod(
            socket, [socket] { emit socket->readyRead(); }, Qt::QueuedConnection);
    });
    connect(&m_push, &QWebSocketServer::newConnection, this, &LiveHttpServer::acceptPushChannels);
    m_ping.setInterval(pingMs);
    connect(&m_ping, &QTimer::timeout, this, &LiveHttpServer::pingChannels);
    m_ping.start();
    m_tail = liveStateJsonTail(LiveSnapshot{});
}

LiveHttpServer::~LiveHttpServer() {
    for (const Channel& channel : std::as_const(m_channels)) {
        channel.socket->disconnect(this);
        channel.socket->abort();
        delete channel.socket;
    }
}

bool LiveHttpServer::listenOn(const QHostAddress& address, quint16 port, QString* error) {
    if (!m_guard->listen(address, port)) {
        if (error)
            *error = socketErrorText(m_guard->serverError());
        return false;
    }
    bind(m_guard);
    return true;
}

quint16 LiveHttpServer::port() const {
    return m_guard->serverPort();
}

void LiveHttpServer::publish(const LiveSnapshotPtr& snapshot) {
    if (!snapshot)
        return;
    m_snapshot = snapshot;
    m_tail = liveStateJsonTail(*snapshot);
    ++m_seq;
    const QString message = QString::fromUtf8(currentState());
    const QList<Channel> channels = m_channels;
    for (const Channel& channel : channels) {
        if (channel.line && channel.line->bytesToWrite() > maxUnsent) {
            channel.socket->abort();
            dropChannel(channel.socket);
            continue;
        }
        channel.socket->sendTextMessage(message);
    }
}

QByteArray LiveHttpServer::currentState() const {
    return liveStateJson(m_tail, steadyNowMs(), m_seq);
}

LiveHttpServer::Answer LiveHttpServer::answerFor(const QString& path) const {
    const QString title = m_snapshot ? m_snapshot->title : QString();
    if (path == QLatin1String("/") || path == QLatin1String("/index.html"))
        return {liveIndexPage(title), "text/html; charset=utf-8"};
    if (path == QLatin1String("/aushang"))
        return {liveNoticePage(title, lanAddresses(port())), "text/html; charset=utf-8"};
    if (path == QLatin1String("/api/state"))
        return {currentState(), "application/json; charset=utf-8"};
    if (const std::optional<LiveAsset> asset = liveAsset(path))
        return {asset->body, asset->contentType};
    return {"Nicht gefunden\n", "text/plain; charset=utf-8", 404};
}

bool LiveHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        respond(request, socket, {"Nur GET und HEAD\n", "text/plain; charset=utf-8", 405, "GET, HEAD"});
        return true;
    }
    respond(request, socket, answerFor(request.url().path()));
    return true;
}

void LiveHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    respond(request, socket, {"Nicht gefunden\n", "text/plain; charset=utf-8", 404});
}

void LiveHttpServer::respond(const QHttpServerRequest& request, QTcpSocket* socket, const Answer& answer) {
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(answer.status));
    responder.writeHeader("Content-Type", answer.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("Content-Security-Policy", liveSecurityPolicy());
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    if (!answer.allow.isEmpty())
        responder.writeHeader("Allow", answer.allow);
    if (answer.status == 405)
        responder.writeHeader("Connection", "close");
    const bool head = request.method() == QHttpServerRequest::Method::Head;
    responder.writeBody(head ? QByteArray() : answer.body);
    m_guard->responded(socket);
    if (answer.status == 405)
        socket->disconnectFromHost();
}

void LiveHttpServer::acceptPushChannels() {
    while (QWebSocket* socket = m_push.nextPendingConnection()) {
        socket->setParent(this);
        if (socket->requestUrl().path() != QLatin1String("/ws")) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
            socket->deleteLater();
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(maxIncomingMessage);
        socket->setMaxAllowedIncomingMessageSize(maxIncomingMessage);
        QPointer<QTcpSocket> line;
        for (qsizetype i = 0; i < m_handshaking.size(); ++i) {
            const QPointer<QTcpSocket>& waiting = m_handshaking[i].line;
            if (waiting && waiting->peerPort() == socket->peerPort() &&
                waiting->peerAddress() == socket->peerAddress()) {
                line = waiting;
                m_handshaking.removeAt(i);
                break;
            }
        }
        m_channels.append({socket, line, steadyNowMs()});
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { dropChannel(socket); });
        connect(socket, &QWebSocket::pong, this, [this, socket] {
            for (Channel& channel : m_channels) {
                if (channel.socket == socket)
                    channel.lastPong = steadyNowMs();
            }
        });
        socket->sendTextMessage(QString::fromUtf8(currentState()));
    }
}

void LiveHttpServer::pingChannels() {
    const qint64 now = steadyNowMs();
    // A handshake that never became a channel (refused by the push server) owns its socket alone.
    for (qsizetype i = m_handshaking.size() - 1; i >= 0; --i) {
        const Handshake& h = m_handshaking[i];
        if (h.line && now - h.since <= pingMs)
            continue;
        if (h.line) {
            h.line->abort();
            h.line->deleteLater();
        }
        m_handshaking.removeAt(i);
    }
    const QList<Channel> channels = m_channels;
    for (const Channel& channel : channels) {
        if (now - channel.lastPong > deadChannelMs) {
            channel.socket->abort();
            dropChannel(channel.socket);
        } else {
            channel.socket->ping();
        }
    }
}

void LiveHttpServer::dropChannel(QWebSocket* socket) {
    for (qsizetype i = 0; i < m_channels.size(); ++i) {
        if (m_channels[i].socket == socket) {
            m_channels.removeAt(i);
            socket->disconnect(this);
            socket->deleteLater();
            return;
        }
    }
}
