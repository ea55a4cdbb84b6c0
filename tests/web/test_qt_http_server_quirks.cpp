// The work-arounds for Qt's inner wiring keep the bytes of a connection in order: an answer
// written past Qt's buffer, and a request looked at while the parser holds part of it.
#include "web/qt_http_server_quirks.h"

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTest>

#include <memory>

namespace quirks = qt_http_server_quirks;

namespace {

constexpr int waitMs = 15000;

QByteArray readAtLeast(QTcpSocket& socket, qsizetype size) {
    QByteArray got;
    QDeadlineTimer deadline(waitMs);
    while (got.size() < size && !deadline.hasExpired()) {
        socket.waitForReadyRead(50);
        got += socket.readAll();
    }
    return got;
}

} // namespace

class TestQtHttpServerQuirks : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_listener.listen(QHostAddress::LocalHost));
        m_client = std::make_unique<QTcpSocket>();
        m_client->connectToHost(QHostAddress::LocalHost, m_listener.serverPort());
        QVERIFY(m_client->waitForConnected(waitMs));
        QVERIFY(m_listener.waitForNewConnection(waitMs));
        m_server.reset(m_listener.nextPendingConnection());
        QVERIFY(m_server);
    }

    void cleanup() {
        m_client.reset();
        m_server.reset();
        m_listener.close();
    }

    // Behind what Qt still holds, and whole when the kernel takes only part of it.
    void answersStayInOrder() {
        m_server->write("first ");
        quirks::sendWhole(m_server.get(), "head ", "body");
        m_server->flush(); // as the event loop would
        QCOMPARE(readAtLeast(*m_client, 15), QByteArray("first head body"));

        QByteArray large(16 << 20, '\0');
        for (qsizetype i = 0; i < large.size(); ++i)
            large[i] = char(i % 253);
        quirks::sendWhole(m_server.get(), "HEAD\r\n", large);
        QVERIFY(m_server->bytesToWrite() > 0); // the rest waits in Qt's buffer, where the caps see it
        quirks::sendWhole(m_server.get(), "next", {});
        QByteArray got;
        QDeadlineTimer deadline(waitMs);
        while (got.size() < large.size() + 10 && !deadline.hasExpired()) {
            m_server->waitForBytesWritten(10);
            m_client->waitForReadyRead(10);
            got += m_client->readAll();
        }
        QCOMPARE(got.size(), large.size() + 10);
        QVERIFY(got.startsWith("HEAD\r\n") && got.endsWith("next"));
        QVERIFY(got.mid(6, large.size()) == large);
    }

    // The parser's transaction: looked at from the first byte, then back where it was; taken
    // away, the request is unread again for its new owner.
    void requestsAreSeenWhole() {
        m_client->write("GET /ws HT");
        QVERIFY(m_client->waitForBytesWritten(waitMs));
        QDeadlineTimer deadline(waitMs);
        while (m_server->bytesAvailable() < 10 && !deadline.hasExpired())
            m_server->waitForReadyRead(50);
        QCOMPARE(m_server->bytesAvailable(), qint64(10));
        m_server->startTransaction();
        QCOMPARE(m_server->read(4), QByteArray("GET "));
        QCOMPARE(quirks::peekRequest(m_server.get(), 8192), QByteArray("GET /ws HT"));
        QCOMPARE(quirks::peekRequest(m_server.get(), 3), QByteArray("GET"));
        QVERIFY(m_server->isTransactionStarted());
        QCOMPARE(m_server->read(3), QByteArray("/ws"));

        QObject parser;
        connect(m_server.get(), &QTcpSocket::readyRead, &parser, [] {});
        quirks::takeFromParser(m_server.get(), &parser);
        QVERIFY(!m_server->isTransactionStarted());
        QVERIFY(!disconnect(m_server.get(), &QTcpSocket::readyRead, &parser, nullptr)); // cut already
        QCOMPARE(m_server->readAll(), QByteArray("GET /ws HT"));
    }

private:
    QTcpServer m_listener;
    std::unique_ptr<QTcpSocket> m_client;
    std::unique_ptr<QTcpSocket> m_server;
};

QTEST_GUILESS_MAIN(TestQtHttpServerQuirks)
#include "test_qt_http_server_quirks.moc"
