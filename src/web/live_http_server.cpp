#include "web/live_http_server.h"

#include "web/lan_addresses.h"
#include "web/live_pages.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

// Smaller answers are sent as they are: compressing them gains less than the headers weigh.
constexpr qsizetype compressFrom = 1024;

QByteArray json() {
    return "application/json; charset=utf-8";
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
            *error = m_guard->errorString();
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
    if (path == QLatin1String("/api/live"))
        return {m_state.liveJson(steadyNowMs()), json(), 200, m_state.stateTag()};
    if (path == QLatin1String("/api/protocol"))
        return protocolAnswer(request);
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
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(answer.status));
    responder.writeHeader("Content-Type", answer.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    if (packed)
        responder.writeHeader("Content-Encoding", "deflate");
    if (!answer.packKey.isEmpty())
        responder.writeHeader("Vary", "Accept-Encoding");
    if (!answer.tag.isEmpty())
        responder.writeHeader("ETag", answer.tag);
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
