#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QMap>
#include <QTcpSocket>

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
