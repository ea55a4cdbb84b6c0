// The WebSocket channels on "/ws" that push every new state to the pages; a channel that
// falls behind, floods or stops answering pings is dropped.

#pragma once

#include "web/web_limits.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWebSocketServer>

#include <functional>

class QTcpSocket;
class QWebSocket;

// The WebSocket push channels on "/ws": takes over a socket whose handshake the connection
// guard found, completes the handshake, greets the page with the newest state and sends it
// every change. Drops a channel that falls behind, sends more than a page ever does, or
// does not answer the pings this server sent (unasked-for pongs are no sign of life).
// Lives on the server thread.
class PushChannels : public QObject {
    Q_OBJECT

public:
    // greeting: the first message for a new channel.
    PushChannels(const PushLimits& limits, std::function<QByteArray()> greeting, QObject* parent = nullptr);
    ~PushChannels() override;

    // A socket with a handshake waiting unread in it; owned from here on.
    void take(QTcpSocket* line);
    void send(const QByteArray& message);
    int count() const { return int(m_channels.size()); }

private:
    struct Channel {
        QWebSocket* socket = nullptr;
        QPointer<QTcpSocket> line; // underneath, for what it has not sent yet
        qint64 lastPong = 0;
        QByteArray pingToken; // the pong that answers our last ping carries it
    };
    struct Handshake {
        QPointer<QTcpSocket> line;
        qint64 since = 0;
    };
    struct Budget {
        qint64 second = -1;
        qint64 bytes = 0;
    };

    void accept();
    void sweep();
    void ping();
    void drop(QWebSocket* socket);
    bool overBudget(QTcpSocket* line, qint64 bytes);

    const PushLimits m_limits;
    const std::function<QByteArray()> m_greeting;
    QWebSocketServer m_server; // handshakes only; it listens on nothing
    QList<Handshake> m_handshaking;
    QList<Channel> m_channels;
    QHash<QTcpSocket*, Budget> m_budgets;
    QElapsedTimer m_clock;
    QTimer m_sweep;
    QTimer m_ping;
    quint64 m_pings = 0;
};
