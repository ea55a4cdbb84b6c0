// How the live results server works around Qt 6.4.2's inner wiring; the header says why, per quirk.
#include "web/qt_http_server_quirks.h"

#include <QTcpServer>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <cerrno>

#include <sys/socket.h>
#include <sys/uio.h>

namespace qt_http_server_quirks {

QByteArray peekRequest(QTcpSocket* socket, qint64 max) {
    const bool parsing = socket->isTransactionStarted();
    qint64 parsed = 0;
    if (parsing) {
        const qint64 before = socket->bytesAvailable();
        socket->rollbackTransaction();
        parsed = socket->bytesAvailable() - before;
    }
    // Only what is there: peek() makes room for all it is asked for.
    const QByteArray waiting = socket->peek(std::min(max, socket->bytesAvailable()));
    if (parsing) {
        socket->startTransaction();
        socket->skip(parsed);
    }
    return waiting;
}

void takeFromParser(QTcpSocket* socket, const QObject* httpServer) {
    QObject::disconnect(socket, &QTcpSocket::readyRead, httpServer, nullptr);
    QObject::disconnect(socket, &QTcpSocket::disconnected, socket, nullptr);
    if (socket->isTransactionStarted())
        socket->rollbackTransaction();
}

void stopParser(QTcpSocket* socket, const QObject* httpServer) {
    QObject::disconnect(socket, &QTcpSocket::readyRead, httpServer, nullptr);
    drain(socket);
}

void drain(QTcpSocket* socket) {
    if (socket->isTransactionStarted())
        socket->commitTransaction();
    socket->readAll();
}

void resumeAfterAcceptErrors(QTcpServer* server, int delayMs) {
    QObject::connect(server, &QTcpServer::acceptError, server, [server, delayMs] {
        QTimer::singleShot(delayMs, server, [server] {
            if (server->isListening())
                server->resumeAccepting();
        });
    });
}

void detachUntaken(QTcpServer* server, const QObject* receiver) {
    const QList<QTcpSocket*> sockets = server->findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket* socket : sockets)
        QObject::disconnect(socket, nullptr, receiver, nullptr);
}

void handOver(QWebSocketServer& server, QTcpSocket* socket) {
    server.handleConnection(socket);
    // Read by the push server's own handler, once the read that found the handshake is over.
    QMetaObject::invokeMethod(
        socket, [socket] { emit socket->readyRead(); }, Qt::QueuedConnection);
}

bool wraps(const QWebSocket* socket, const QTcpSocket* line) {
    return line->peerPort() == socket->peerPort() && line->peerAddress() == socket->peerAddress();
}

void sendWhole(QTcpSocket* socket, const QByteArray& head, const QByteArray& body) {
    qint64 sent = 0;
    const qintptr descriptor = socket->socketDescriptor();
    if (socket->bytesToWrite() == 0 && descriptor >= 0 && socket->state() == QAbstractSocket::ConnectedState) {
        iovec parts[2] = {{const_cast<char*>(head.constData()), size_t(head.size())},
                          {const_cast<char*>(body.constData()), size_t(body.size())}};
        msghdr message{};
        message.msg_iov = parts;
        message.msg_iovlen = body.isEmpty() ? 1 : 2;
        ssize_t written = 0;
        do
            written = ::sendmsg(int(descriptor), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        while (written < 0 && errno == EINTR);
        // On an error Qt writes it all and finds the error itself.
        sent = std::max<qint64>(written, 0);
    }
    if (sent < head.size()) {
        socket->write(head.constData() + sent, head.size() - sent);
        sent = 0;
    } else {
        sent -= head.size();
    }
    if (sent < body.size())
        socket->write(body.constData() + sent, body.size() - sent);
}

} // namespace qt_http_server_quirks
