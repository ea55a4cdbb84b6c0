// The live results server against hostile clients on the loopback: clients that never read,
// ping floods, unasked-for pongs, one device holding every connection, handshakes and
// requests split or piled up. Every attack is bounded in count and time.
#include "web/live_server.h"
#include "web_client.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

#include <memory>
#include <vector>

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int waitMs = 15000;

LiveSnapshotPtr bigState(int rows) {
    auto s = std::make_shared<LiveSnapshot>();
    s->title = QStringLiteral("Clubrennen");
    s->columns = QStringList{"Nr.", "Name", "Fahrzeug", "Gruppe", "Zeit", "Platz"};
    for (int i = 1; i <= rows; ++i)
        s->rows.append({QString::number(i), QStringLiteral("Fahrerin %1").arg(i), QStringLiteral("Kombi"),
                        QStringLiteral("Klasse A"), QStringLiteral("5,%1").arg(i % 1000, 3, 10, QLatin1Char('0')),
                        QString::number(i)});
    return s;
}

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

// A raw client that only writes: it never reads a byte of what comes back.
int rawClient(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // A small receive window, so the answers pile up in the server rather than in this client.
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

class TestLiveAttacks : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { m_server.reset(); }

    // Clients asking for the state fifty times a second and never reading: each is closed
    // once its answers pass the cap (or all of theirs the server's), and the program's memory
    // stays where it was.
    void clientsThatNeverReadAreClosed_data() {
        QTest::addColumn<bool>("together");
        QTest::newRow("each over its own cap") << false;
        QTest::newRow("together over the server's") << true;
    }
    void clientsThatNeverReadAreClosed() {
        QFETCH(bool, together);
        WebLimits limits;
        if (together) {
            // Each one under its own cap, many of them over the server's.
            limits.maxUnsentBytes = qint64(1) << 30;
            limits.maxUnsentTotal = 4 << 20;
            limits.sweepMs = 100;
        }
        start(limits);
        m_server->publish(bigState(500));
        QTRY_VERIFY_WITH_TIMEOUT(get(m_port, "/api/state").body.size() > 20000, waitMs);
        const qint64 before = residentBytes();
        std::vector<int> clients;
        for (int i = 0; i < 10; ++i)
            clients.push_back(rawClient(m_port));
        const QByteArray request = "GET /api/state HTTP/1.1\r\nHost: x\r\n\r\n";
        int closed = 0;
        QDeadlineTimer deadline(10000);
        while (closed < int(clients.size()) && !deadline.hasExpired()) {
            for (int& fd : clients) {
                if (fd < 0)
                    continue;
                if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                    errno != EAGAIN && errno != EWOULDBLOCK) {
                    ::close(fd);
                    fd = -1;
                    ++closed;
                }
            }
            QTest::qWait(20);
        }
        const qint64 grown = residentBytes() - before;
        for (int fd : clients) {
            if (fd >= 0)
                ::close(fd);
        }
        QCOMPARE(closed, int(clients.size()));
        QVERIFY2(grown < 64 * 1024 * 1024, QByteArray::number(grown));
        QCOMPARE(get(m_port, "/api/live").status, 200);
    }

    // Pings as fast as a client can send them: the channel is closed, the others stay.
    void pingFloodIsCutOff() {
        start();
        QWebSocket calm;
        QSignalSpy calmOpen(&calm, &QWebSocket::connected);
        calm.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
        QVERIFY(calmOpen.wait(waitMs));

        QTcpSocket flood;
        flood.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(flood.waitForConnected(waitMs));
        flood.write(webSocketHandshake());
        QCOMPARE(handshakeStatus(flood), 101);
        const QByteArray ping = clientFrame(0x9, QByteArray(120, 'p'));
        QDeadlineTimer deadline(5000);
        while (flood.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            for (int i = 0; i < 50; ++i)
                flood.write(ping);
            flood.waitForBytesWritten(10);
            flood.waitForReadyRead(10);
            flood.readAll();
        }
        QVERIFY(flood.state() != QAbstractSocket::ConnectedState);
        QCOMPARE(calm.state(), QAbstractSocket::ConnectedState);
    }

    // Pongs nobody asked for keep no channel alive; answering the server's own pings does.
    void onlyAnswersToOurPingsKeepAChannel() {
        WebLimits limits;
        limits.push.pingMs = 200;
        limits.push.deadMs = 900;
        limits.push.sweepMs = 50;
        start(limits);
        QWebSocket answering; // Qt answers every ping with its payload
        QSignalSpy answeringOpen(&answering, &QWebSocket::connected);
        answering.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
        QVERIFY(answeringOpen.wait(waitMs));

        QTcpSocket liar;
        liar.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(liar.waitForConnected(waitMs));
        liar.write(webSocketHandshake());
        QCOMPARE(handshakeStatus(liar), 101);
        QDeadlineTimer deadline(3000);
        while (liar.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            liar.write(clientFrame(0xA, "alive"));
            liar.waitForBytesWritten(10);
            liar.waitForReadyRead(100);
            liar.readAll();
        }
        QVERIFY(liar.state() != QAbstractSocket::ConnectedState);
        QCOMPARE(answering.state(), QAbstractSocket::ConnectedState);
    }

    // One device holding everything it may, page connections and push channels: a page from
    // another device is served within a second, and the holder loses its oldest first.
    void oneDeviceCannotLockOutTheOthers() {
        WebLimits limits;
        limits.maxConnections = 40;
        limits.maxPerAddress = 8;
        start(limits);
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < 12; ++i) {
            held.push_back(connectFrom("127.0.0.2", m_port));
            held.back()->write("GET / HTTP/1.1\r\nHo"); // a slow header
            held.back()->flush();
        }
        for (int i = 0; i < 12; ++i) {
            held.push_back(connectFrom("127.0.0.2", m_port));
            held.back()->write(webSocketHandshake());
            held.back()->flush();
        }
        // Others fill the rest of the server.
        std::vector<std::unique_ptr<QTcpSocket>> others;
        for (int device = 3; device < 10; ++device) {
            for (int i = 0; i < 6; ++i)
                others.push_back(connectFrom("127.0.0." + QByteArray::number(device), m_port));
        }
        QVERIFY(closedByServer(*held.front(), 5000));

        QElapsedTimer served;
        served.start();
        auto newcomer = connectFrom("127.0.0.77", m_port);
        newcomer->write("GET /api/live HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(readReply(*newcomer, false, 1000).status, 200);
        QVERIFY2(served.elapsed() <= 1000, QByteArray::number(served.elapsed()));
        // The holder keeps its cap, not more: its newest channel still has its answer.
        QCOMPARE(handshakeStatus(*held.back()), 101);
    }

    // A handshake split over two packets is still a handshake; a split request still a request.
    void splitHandshakeIsRecognised() {
        start();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(socket.waitForConnected(waitMs));
        const QByteArray handshake = webSocketHandshake();
        socket.write(handshake.left(40));
        socket.waitForBytesWritten(waitMs);
        QTest::qWait(200); // the server reads the first part alone
        socket.write(handshake.mid(40));
        QCOMPARE(handshakeStatus(socket), 101);

        // A page's request in three pieces, as a weak Wi-Fi may deliver it, is answered as well.
        QTcpSocket page;
        page.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(page.waitForConnected(waitMs));
        const QByteArray request = "GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n";
        for (const QByteArray& piece : {request.left(7), request.mid(7, 20), request.mid(27)}) {
            page.write(piece);
            page.waitForBytesWritten(waitMs);
            QTest::qWait(150);
        }
        QCOMPARE(readReply(page).status, 200);
    }

    // Requests sent one after the other without waiting: every one is answered.
    void pipelinedRequestsAreAllAnswered() {
        start();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(socket.waitForConnected(waitMs));
        QByteArray requests;
        for (int i = 0; i < 120; ++i)
            requests += "GET /api/live HTTP/1.1\r\nHost: x\r\n\r\n";
        QVERIFY(requests.size() < 8192);
        socket.write(requests);
        QByteArray answers;
        QDeadlineTimer deadline(waitMs);
        while (answers.count("HTTP/1.1 200 ") < 120 && socket.state() == QAbstractSocket::ConnectedState &&
               !deadline.hasExpired()) {
            socket.waitForReadyRead(50);
            answers += socket.readAll();
        }
        QCOMPARE(answers.count("HTTP/1.1 200 "), 120);
        QVERIFY(!answers.contains("HTTP/1.1 431"));
    }

private:
    void start(const WebLimits& limits = {}) {
        m_server = std::make_unique<LiveServer>(limits);
        QSignalSpy started(m_server.get(), &LiveServer::started);
        m_server->start(0, QHostAddress::LocalHost);
        QVERIFY(started.wait(waitMs));
        m_port = m_server->port();
    }

    std::unique_ptr<LiveServer> m_server;
    quint16 m_port = 0;
};

QTEST_GUILESS_MAIN(TestLiveAttacks)
#include "test_live_attacks.moc"
