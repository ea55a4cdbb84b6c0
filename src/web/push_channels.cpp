// The push channels at work: the handshake completed on a socket the guard handed over,
// the greeting, the sends, and the pings that tell a living page from a dead one.

#include "web/push_channels.h"

#include "web/qt_http_server_quirks.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QWebSocket>

namespace {

// A page's push channel only ever receives; what it may send is a close or a pong.
constexpr quint64 maxIncomingMessage = 1024;
// A handshake is at most the guard's request cap.
constexpr qint64 handshakeAllowance = 8192;

} // namespace

PushChannels::PushChannels(const PushLimits& limits, std::function<QByteArray()> greeting, QObject* parent)
    : QObject(parent), m_limits(limits), m_greeting(std::move(greeting)),
      m_server(QStringLiteral("Tarvolt"), QWebSocketServer::NonSecureMode) {
    m_clock.start();
    connect(&m_server, &QWebSocketServer::newConnection, this, &PushChannels::accept);
    m_sweep.setInterval(m_limits.sweepMs);
    connect(&m_sweep, &QTimer::timeout, this, &PushChannels::sweep);
    m_sweep.start();
    m_ping.setInterval(m_limits.pingMs);
    connect(&m_ping, &QTimer::timeout, this, &PushChannels::ping);
    m_ping.start();
}

PushChannels::~PushChannels() {
    for (const Channel& channel : std::as_const(m_channels)) {
        channel.socket->disconnect(this);
        channel.socket->abort();
        delete channel.socket;
    }
    for (const Handshake& h : std::as_const(m_handshaking)) {
        if (h.line)
            h.line->disconnect(this);
    }
}

void PushChannels::take(QTcpSocket* line) {
    line->setParent(this);
    m_handshaking.append({line, m_clock.elapsed()});
    // Counted before the WebSocket reads them: what a page sends, and what it leaves unread.
    connect(line, &QTcpSocket::readyRead, this, [this, line] {
        if (line->bytesToWrite() > m_limits.maxUnsentBytes || overBudget(line, line->bytesAvailable()))
            line->abort();
    });
    connect(line, &QObject::destroyed, this, [this, line] { m_budgets.remove(line); });
    // The handshake itself comes through the budget once, in the channel's first second.
    m_budgets.insert(line, {m_clock.elapsed() / 1000, -handshakeAllowance});
    qt_http_server_quirks::handOver(m_server, line);
}

bool PushChannels::overBudget(QTcpSocket* line, qint64 bytes) {
    Budget& budget = m_budgets[line];
    const qint64 second = m_clock.elapsed() / 1000;
    if (budget.second != second) {
        budget.second = second;
        budget.bytes = 0;
    }
    budget.bytes += bytes;
    return budget.bytes > m_limits.maxIncomingPerSecond;
}

void PushChannels::accept() {
    while (QWebSocket* socket = m_server.nextPendingConnection()) {
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
            if (waiting && qt_http_server_quirks::wraps(socket, waiting)) {
                line = waiting;
                m_handshaking.removeAt(i);
                break;
            }
        }
        m_channels.append({socket, line, m_clock.elapsed(), {}});
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { drop(socket); });
        connect(socket, &QWebSocket::pong, this, [this, socket](quint64, const QByteArray& payload) {
            for (Channel& channel : m_channels) {
                if (channel.socket == socket && !channel.pingToken.isEmpty() && payload == channel.pingToken)
                    channel.lastPong = m_clock.elapsed();
            }
        });
        socket->sendTextMessage(QString::fromUtf8(m_greeting()));
    }
}

void PushChannels::send(const QByteArray& message) {
    const QString text = QString::fromUtf8(message);
    const QList<Channel> channels = m_channels;
    for (const Channel& channel : channels) {
        // A page that stops reading is dropped rather than kept growing: it gets the whole
        // state again when it comes back.
        if (channel.line && channel.line->bytesToWrite() > m_limits.maxUnsentBytes) {
            channel.socket->abort();
            drop(channel.socket);
            continue;
        }
        channel.socket->sendTextMessage(text);
    }
}

void PushChannels::sweep() {
    const qint64 now = m_clock.elapsed();
    // A handshake that never became a channel (refused by the push server) owns its socket alone.
    for (qsizetype i = m_handshaking.size() - 1; i >= 0; --i) {
        const Handshake& h = m_handshaking[i];
        if (h.line && h.line->state() == QAbstractSocket::ConnectedState && now - h.since <= m_limits.pingMs)
            continue;
        if (h.line) {
            h.line->abort();
            h.line->deleteLater();
        }
        m_handshaking.removeAt(i);
    }
    const QList<Channel> channels = m_channels;
    for (const Channel& channel : channels) {
        const bool behind = channel.line && channel.line->bytesToWrite() > m_limits.maxUnsentBytes;
        if (behind || now - channel.lastPong > m_limits.deadMs) {
            channel.socket->abort();
            drop(channel.socket);
        }
    }
}

void PushChannels::ping() {
    for (Channel& channel : m_channels) {
        channel.pingToken =
            QByteArray::number(++m_pings) + '-' + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        channel.socket->ping(channel.pingToken);
    }
}

void PushChannels::drop(QWebSocket* socket) {
    for (qsizetype i = 0; i < m_channels.size(); ++i) {
        if (m_channels[i].socket == socket) {
            m_channels.removeAt(i);
            socket->disconnect(this);
            socket->deleteLater();
            return;
        }
    }
}
