#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QMap>
#include <QTcpSocket>

#include <memory>

// A raw HTTP/1.1 client for the live results tests: sends bytes as they are, reads one
// answer by its Content-Length, and tells whether the server closed the connection.
// Every wait has a deadline.
struct WebReply {
    int status = 0;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    bool closed = false; // before a whole answer came
};

inline WebReply readReply(QTcpSocket& socket, bool head = false, int deadlineMs = 15000) {
    WebReply reply;
    QByteArray buffer;
    QDeadlineTimer deadline(deadlineMs);
    qsizetype headerEnd = -1;
    qsizetype length = -1;
    while (!deadline.hasExpired()) {
        buffer += socket.readAll();
        if (headerEnd < 0 && (headerEnd = buffer.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
            reply.status = lines.value(0).split(' ').value(1).toInt();
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    reply.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            length = head ? 0 : reply.headers.value("content-length", "0").toLongLong();
        }
        if (headerEnd >= 0 && buffer.size() - headerEnd - 4 >= length) {
            reply.body = buffer.mid(headerEnd + 4, length);
            return reply;
        }
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0) {
            reply.closed = true;
            return reply;
        }
        socket.waitForReadyRead(50);
    }
    return reply;
}

// Waits until the server has closed the socket; false at the deadline.
inline bool closedByServer(QTcpSocket& socket, int deadlineMs = 15000) {
    QDeadlineTimer deadline(deadlineMs);
    while (!deadline.hasExpired()) {
        socket.readAll();
        if (socket.state() == QAbstractSocket::UnconnectedState)
            return true;
        socket.waitForReadyRead(50);
    }
    return false;
}

inline WebReply exchange(quint16 port, const QByteArray& request, bool head = false) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(15000))
        return {};
    socket.write(request);
    return readReply(socket, head);
}

inline WebReply get(quint16 port, const QByteArray& path) {
    return exchange(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

// A socket from another loopback address (the whole 127.0.0.0/8 is local), as another device.
inline std::unique_ptr<QTcpSocket> connectFrom(const QByteArray& from, quint16 port) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->bind(QHostAddress(QString::fromLatin1(from)), 0);
    socket->connectToHost(QHostAddress::LocalHost, port);
    socket->waitForConnected(15000);
    return socket;
}

inline QByteArray webSocketHandshake(const QByteArray& path = "/ws") {
    return "GET " + path +
           " HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
}

// A client's frame (masked, as a browser sends): opcode 0x9 ping, 0xA pong, 0x8 close.
inline QByteArray clientFrame(quint8 opcode, const QByteArray& payload) {
    QByteArray frame;
    frame.append(char(0x80 | opcode));
    frame.append(char(0x80 | payload.size())); // control frames carry at most 125 bytes
    const QByteArray mask("\x12\x34\x56\x78", 4);
    frame.append(mask);
    for (qsizetype i = 0; i < payload.size(); ++i)
        frame.append(char(payload[i] ^ mask[i % 4]));
    return frame;
}

// Waits for the handshake's answer line; the status code, 0 at the deadline.
inline int handshakeStatus(QTcpSocket& socket, int deadlineMs = 15000) {
    QByteArray got;
    QDeadlineTimer deadline(deadlineMs);
    while (!deadline.hasExpired() && !got.contains("\r\n\r\n")) {
        if (!socket.waitForReadyRead(50) && socket.state() != QAbstractSocket::ConnectedState)
            break;
        got += socket.read(4096 - got.size());
    }
    return got.contains("\r\n\r\n") ? got.split(' ').value(1).toInt() : 0;
}
