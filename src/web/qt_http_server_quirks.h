#pragma once
// Every place where the live results server relies on how Qt HTTP Server, Qt Network and
// Qt WebSockets work inside, beyond their documented API: the one file to revisit on a Qt upgrade.

#include <QMetaObject>
#include <QTcpSocket>

class QTcpServer;
class QWebSocket;
class QWebSocketServer;

// Written against Qt 6.4.2 (Debian 12: libqt6httpserver6 6.4.2-1, `qmake6 -query QT_VERSION`).
// Per quirk: what Qt does there, and what the server does about it.
//
//  1. Reading before the parser. QAbstractHttpServer connects its read handler to a socket only
//     when it takes the socket from the QTcpServer. A handler connected in incomingConnection(),
//     before addPendingConnection(), therefore runs first on every read: the guard counts and
//     inspects the bytes before the parser has seen them.                     -> readBeforeParser()
//  2. The parser's read transaction. While a request is incomplete, the parser keeps what it has
//     read inside a QIODevice transaction, so peek() starts after it. The guard rolls the
//     transaction back to look at the request from its first byte, and puts it back as it was.
//                                                                               -> peekRequest()
//  3. The WebSocket upgrade. Qt's own upgrade does not work: a handshake split over two packets
//     gets two "404" answers and a closed connection. The guard takes a socket whose request is a
//     handshake away from the HTTP server before the parser finishes it: the parser's read
//     handler and the deleteLater() Qt connected to disconnected() are cut, and the parser's
//     transaction rolled back so that the new owner reads the handshake whole. -> takeFromParser()
//  4. A request the parser cannot read. The parser then calls QObject::disconnect() on the socket,
//     cutting every connection to it (the guard's too), and leaves it open. The guard notices its
//     own read connection is gone and closes the socket after a grace time.  -> parserLetGo()
//  5. Refusing a request. To answer a request itself ("431"), the guard cuts the parser's read
//     handler and ends its transaction, else the parser would go on reading and the transaction
//     would keep every byte.                                       -> stopParser(), drain()
//  6. Out of file descriptors. QTcpServer stops accepting for good after an accept error; the
//     guard resumes accepting after a while, once pages have left.  -> resumeAfterAcceptErrors()
//  7. Sockets never taken. QTcpServer's destructor deletes the sockets still pending after the
//     members of a subclass are gone; what they signal then must not reach the subclass.
//                                                                          -> detachUntaken()
//  8. Handing a socket to QWebSocketServer. handleConnection() reads the handshake only on the
//     socket's next readyRead, so one is sent for the bytes already waiting; and the QWebSocket
//     it makes does not say which socket it wraps, so the socket is found by its peer.
//                                                                 -> handOver(), wraps()
//  9. Writing an answer. QTcpSocket arms its write notifier on every buffered write and
//     disarms it once flushed: a turn of the event loop more per answer, and on the GLib
//     dispatcher (Qt's default on Linux) two more wake-ups of the loop, each turn of which polls
//     every open socket. An answer written while Qt holds nothing unsent goes straight to the
//     descriptor; only what the kernel does not take goes through Qt's buffer, which keeps
//     bytesToWrite() (the caps on unsent data) meaning what it did.
//                                                                             -> sendWhole()
// 10. The event loop. Qt's dispatchers on Linux (GLib's, and Qt's own poll() loop) hand every
//     registered socket to poll() at every turn; the server thread runs its own loop on epoll
//     instead, through the public QThread::setEventDispatcher().    -> epoll_event_dispatcher.h
namespace qt_http_server_quirks {

// 1: connects handler to the socket's readyRead so that it runs before the HTTP server's own;
// call it before the socket is handed to the HTTP server.
template <typename Handler>
QMetaObject::Connection readBeforeParser(QTcpSocket* socket, const QObject* context, Handler handler) {
    return QObject::connect(socket, &QTcpSocket::readyRead, context, std::move(handler));
}

// 2: up to max bytes of the request from its first byte, wherever the parser is in it.
QByteArray peekRequest(QTcpSocket* socket, qint64 max);

// 3: the HTTP server no longer reads the socket nor deletes it when it disconnects; what it had
// read of the request is unread again.
void takeFromParser(QTcpSocket* socket, const QObject* httpServer);

// 4: the parser gave up on the socket (and cut reading, the guard's connection from
// readBeforeParser()), or the socket was taken from it.
inline bool parserLetGo(const QMetaObject::Connection& reading) {
    return !reading;
}

// 5: the parser reads no more of the socket, and what it read is dropped.
void stopParser(QTcpSocket* socket, const QObject* httpServer);
// 5: drops what waits unread, inside the parser's transaction or not.
void drain(QTcpSocket* socket);

// 6: accepting starts again sweepMs after every accept error while the server listens.
void resumeAfterAcceptErrors(QTcpServer* server, int delayMs);

// 7: in the destructor of a QTcpServer subclass: its pending sockets no longer signal receiver.
void detachUntaken(QTcpServer* server, const QObject* receiver);

// 8: the push server takes the socket, whose handshake waits unread in it.
void handOver(QWebSocketServer& server, QTcpSocket* socket);
// 8: whether the push server's socket was made from this one.
bool wraps(const QWebSocket* socket, const QTcpSocket* line);

// 9: writes head and body, in this order after anything written before.
void sendWhole(QTcpSocket* socket, const QByteArray& head, const QByteArray& body);

} // namespace qt_http_server_quirks
