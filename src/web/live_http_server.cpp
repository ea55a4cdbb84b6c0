// The live results server's answers: status lines, the shared security headers, "304" for
// what a page already has, compression of what is large, and the push of every snapshot.

#include "web/live_http_server.h"

#include "web/lan_addresses.h"
#include "web/live_pages.h"
#include "web/qt_http_server_quirks.h"
#include "web/socket_error_text.h"

#include <QHttpServerRequest>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

// Smaller answers are sent as they are: compressing them gains less than the headers weigh.
constexpr qsizetype compressFrom = 1024;

QByteArray json() {
    return "application/json; charset=utf-8";
}

QByteArray statusLine(int status) {
    switch (status) {
    case 200:
        return "HTTP/1.1 200 OK\r\n";
    case 304:
        return "HTTP/1.1 304 Not Modified\r\n";
    case 404:
        return "HTTP/1.1 404 Not Found\r\n";
    case 405:
        return "HTTP/1.1 405 Method Not Allowed\r\n";
    }
    return "HTTP/1.1 " + QByteArray::number(status) + "\r\n";
}

// The headers every answer ends with, made once.
const QByteArray& commonHeaders() {
    static const QByteArray headers = "Cache-Control: no-store\r\nContent-Security-Policy: " + liveSecurityPolicy() +
                                      "\r\nX-Content-Type-Options: nosniff\r\nReferrer-Policy: no-referrer\r\n";
    return headers;
}

} // namespace

LiveHttpServer::LiveHttpServer(const WebLimits& limits, QObject* parent)
    : QAbstractHttpServer(parent), m_state(newServerId()) {
    m_guard = new ConnectionGuard(limits, this);
    m_guard->setHttpServer(this);
    m_push = new PushChannels(
        limits.push, [this] { return m_state.liveJson(steadyNowMs()); }, this);
    connect(m_guard, &ConnectionGuard::pushRequested, m_push, &PushChannels::take);
}

LiveHttpServer::~LiveHttpServer() {
    delete m_push;
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
    const bool protocolChanged = m_state.publish(snapshot);
    m_push->send(m_state.pushJson(steadyNowMs(), protocolChanged));
}

LiveHttpServer::Answer LiveHttpServer::answerFor(const QHttpServerRequest& request) const {
    const QString path = request.url().path();
    const QString title = m_state.snapshot().title;
    if (path == QLatin1String("/") || path == QLatin1String("/index.html"))
        return {liveIndexPage(title), "text/html; charset=utf-8"};
    if (path == QLatin1String("/aushang"))
        return {liveNoticePage(title, liveAddressesFor(m_guard->serverAddress(), port())), "text/html; charset=utf-8"};
    if (path == QLatin1String("/api/live")) {
        // Most polls find nothing new: their "304" needs no body made.
        if (request.value("if-none-match") == m_state.stateTag())
            return {{}, json(), 200, m_state.stateTag()};
        return {m_state.liveJson(steadyNowMs()), json(), 200, m_state.stateTag()};
    }
    if (path == QLatin1String("/api/protocol"))
        return protocolAnswer(request);
    if (path == QLatin1String("/api/standings"))
        return {m_state.standingsJson(), json(), 200, m_state.protocolTag(), "standings"};
    if (path == QLatin1String("/api/state"))
        return {m_state.stateJson(steadyNowMs()), json(), 200, m_state.stateTag()};
    if (const std::optional<LiveAsset> asset = liveAsset(path))
        return {asset->body, asset->contentType, 200, {}, "asset " + path.toLatin1()};
    return {"Nicht gefunden\n", "text/plain; charset=utf-8", 404};
}

LiveHttpServer::Answer LiveHttpServer::protocolAnswer(const QHttpServerRequest& request) const {
    const QString since = QUrlQuery(request.url()).queryItemValue(QStringLiteral("since"));
    bool known = false;
    const quint64 version = since.toULongLong(&known);
    if (known) {
        const QByteArray steps = m_state.protocolSinceJson(version);
        if (!steps.isEmpty())
            return {steps, json(), 200, {}, "since " + QByteArray::number(version)};
    }
    return {m_state.protocolJson(), json(), 200, m_state.protocolTag(), "whole"};
}

bool LiveHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        respond(request, socket, {"Nur GET und HEAD\n", "text/plain; charset=utf-8", 405, {}, {}, "GET, HEAD"});
        return true;
    }
    respond(request, socket, answerFor(request));
    return true;
}

void LiveHttpServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    respond(request, socket, {"Nicht gefunden\n", "text/plain; charset=utf-8", 404});
}

QByteArray LiveHttpServer::deflated(const Answer& answer) const {
    if (m_packedVersion != m_state.protocolTag()) {
        m_packedVersion = m_state.protocolTag();
        m_packed.clear();
    }
    const auto cached = m_packed.constFind(answer.packKey);
    if (cached != m_packed.cend())
        return *cached;
    // qCompress gives a zlib stream behind a four-byte length: "deflate" in HTTP is that stream.
    const QByteArray packed = qCompress(answer.body, 6).mid(4);
    m_packed.insert(answer.packKey, packed);
    return packed;
}

void LiveHttpServer::respond(const QHttpServerRequest& request, QTcpSocket* socket, Answer answer) {
    // A client that asks without reading what it asked for gets no more.
    if (!m_guard->keepsUp(socket))
        return;
    const bool unchanged = !answer.tag.isEmpty() && request.value("if-none-match") == answer.tag;
    bool packed = false;
    if (unchanged) {
        answer.status = 304;
        answer.body.clear();
    } else if (!answer.packKey.isEmpty() && answer.body.size() >= compressFrom &&
               request.value("accept-encoding").toLower().contains("deflate")) {
        answer.body = deflated(answer);
        packed = true;
    }
    // In one piece, headers in the order they always had: one write for the whole answer.
    QByteArray head = statusLine(answer.status);
    head.reserve(head.size() + commonHeaders().size() + 256);
    head += "Content-Type: " + answer.contentType + "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
            "\r\n";
    if (packed)
        head += "Content-Encoding: deflate\r\n";
    if (!answer.packKey.isEmpty())
        head += "Vary: Accept-Encoding\r\n";
    if (!answer.tag.isEmpty())
        head += "ETag: " + answer.tag + "\r\n";
    head += commonHeaders();
    if (!answer.allow.isEmpty())
        head += "Allow: " + answer.allow + "\r\n";
    if (answer.status == 405)
        head += "Connection: close\r\n";
    head += "\r\n";
    const bool headOnly = request.method() == QHttpServerRequest::Method::Head;
    qt_http_server_quirks::sendWhole(socket, head, headOnly ? QByteArray() : answer.body);
    m_guard->responded(socket);
    if (answer.status == 405)
        socket->disconnectFromHost();
}
