#include "web/connection_guard.h"
#include "web/live_server.h"
#include "web_client.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>

#include <algorithm>
#include <memory>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// The server thread yields to the rest of the program; on a loaded machine it may be slow.
constexpr int waitMs = 15000;

const QString hostile = QStringLiteral("<img src=x onerror=alert(1)>");

LiveSnapshotPtr snapshot(bool running, qint32 finalMs, const QString& name) {
    auto s = std::make_shared<LiveSnapshot>();
    s->title = hostile + QStringLiteral(" & Co");
    s->startNr = QStringLiteral("7");
    s->nextNr = QStringLiteral("8");
    s->running = running;
    s->startedAt = steadyNowMs() - 1500;
    s->finalMs = finalMs;
    s->columns = QStringList{"Nr.", "Name", "Gruppe", "Zeit", "Platz"};
    s->rows = {{"7", name, "A", finalMs >= 0 ? "5,500" : "", finalMs >= 0 ? "1" : ""}};
    return s;
}

QJsonObject stateOf(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

} // namespace

// The live results server on 127.0.0.1, on a port the system picks: what pages get, what
// bad clients get, how many may come at once, and what a push channel hears.
class TestLiveServer : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { m_server.reset(); }

    void pagesAreEscapedAndCarryThePolicy() {
        start();
        m_server->publish(snapshot(false, -1, hostile));
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(get(m_port, "/api/state").body).value("seq").toInt(), 1, waitMs);

        const WebReply state = get(m_port, "/api/state");
        QCOMPARE(state.headers.value("content-type"), QByteArray("application/json; charset=utf-8"));
        const QJsonObject json = stateOf(state.body);
        QCOMPARE(json.value("rows").toArray().at(0).toArray().at(1).toString(), hostile); // the text, as it is
        QCOMPARE(json.value("startNr").toString(), QStringLiteral("7"));

        for (const QByteArray path : {"/", "/aushang"}) {
            const WebReply page = get(m_port, path);
            QCOMPARE(page.status, 200);
            QVERIFY2(page.body.contains("&lt;img src=x onerror=alert(1)&gt; &amp; Co"), path);
            QVERIFY2(!page.body.contains("<img"), path);
            const QByteArray policy = page.headers.value("content-security-policy");
            QVERIFY(policy.contains("script-src 'self'") && policy.contains("default-src 'none'"));
            QVERIFY(!policy.contains("unsafe"));
            QCOMPARE(page.headers.value("cache-control"), QByteArray("no-store"));
        }
        QVERIFY(get(m_port, "/aushang").body.contains("<svg"));
        QCOMPARE(get(m_port, "/live.js").headers.value("content-type"), QByteArray("text/javascript; charset=utf-8"));
        QCOMPARE(get(m_port, "/etc/passwd").status, 404);
        QCOMPARE(get(m_port, "/../CMakeLists.txt").status, 404);

        // HEAD: the headers of GET, no body.
        const WebReply head = exchange(m_port, "HEAD / HTTP/1.1\r\nHost: x\r\n\r\n", true);
        QCOMPARE(head.status, 200);
        QCOMPARE(head.headers.value("content-length").toInt(), get(m_port, "/").body.size());
    }

    void onlyGetAndHeadAreServed() {
        start();
        for (const QByteArray method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH"}) {
            const WebReply reply =
                exchange(m_port, method + " /api/state HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\n\r\n{}");
            QCOMPARE(reply.status, 405);
            QCOMPARE(reply.headers.value("allow"), QByteArray("GET, HEAD"));
        }
        QCOMPARE(get(m_port, "/api/state").status, 200);
    }

    void badClientsAreCutOff() {
        WebLimits limits;
        limits.idleMs = 400;
        limits.requestMs = 400;
        limits.sweepMs = 50;
        start(limits);

        // Far more header than any page needs.
        QTcpSocket big;
        big.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(big.waitForConnected(waitMs));
        big.write("GET / HTTP/1.1\r\nHost: x\r\nX-Fill: " + QByteArray(64 * 1024, 'a') + "\r\n\r\n");
        const WebReply tooBig = readReply(big);
        QCOMPARE(tooBig.status, 431);
        // The guard's own answers carry the headers of every other answer.
        QVERIFY(tooBig.headers.value("content-security-policy").contains("default-src 'none'"));
        QCOMPARE(tooBig.headers.value("cache-control"), QByteArray("no-store"));
        QVERIFY(closedByServer(big));

        // Garbage, a request never finished, and a client that says nothing.
        std::vector<std::unique_ptr<QTcpSocket>> bad;
        for (const QByteArray& bytes :
             {QByteArray("\x01\x02\xff garbage\r\n\r\n"), QByteArray("GET / HTTP/1.1\r\nHo"), QByteArray()}) {
            bad.push_back(std::make_unique<QTcpSocket>());
            bad.back()->connectToHost(QHostAddress::LocalHost, m_port);
            QVERIFY(bad.back()->waitForConnected(waitMs));
            bad.back()->write(bytes);
            bad.back()->flush();
        }
        for (auto& socket : bad)
            QVERIFY(closedByServer(*socket));
        // A page that keeps its connection gets its answers meanwhile.
        QCOMPARE(get(m_port, "/api/state").status, 200);
    }

    // 500 pages from 50 devices fit; the 501st page is let in, and the oldest connection of
    // the device holding the most makes room for it.
    void aFullServerLetsTheNextPageIn() {
        start();
        std::vector<std::unique_ptr<QTcpSocket>> open;
        for (int device = 0; device < 50; ++device) {
            for (int i = 0; i < 10; ++i)
                open.push_back(connectFrom("127.0.1." + QByteArray::number(device + 1), m_port));
        }
        // Each one answered: all 500 are inside (a connect alone may still wait in the kernel).
        for (auto& socket : open) {
            socket->write("GET /api/live HTTP/1.1\r\nHost: x\r\n\r\n");
            QCOMPARE(readReply(*socket).status, 200);
        }
        auto extra = connectFrom("127.0.2.1", m_port);
        extra->write("GET /api/state HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(readReply(*extra).status, 200);
        QVERIFY(closedByServer(*open.front()));
        open.back()->write("GET /api/live HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(readReply(*open.back()).status, 200);
    }

    // Pages that find the program out of file descriptors are turned away, and those that
    // come after them are let in again.
    void acceptingResumesAfterRunningOutOfFiles() {
        ConnectionGuard guard(WebLimits{});
        QVERIFY(guard.listen(QHostAddress::LocalHost, 0));
        std::vector<int> clients(4);
        for (int& fd : clients)
            fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(guard.serverPort());
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        rlimit files{};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &files) == 0);
        const rlimit few{rlim_t(*std::max_element(clients.begin(), clients.end()) + 1), files.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &few) == 0); // no descriptor free above the clients
        for (int fd : clients)
            ::connect(fd, reinterpret_cast<const sockaddr*>(&server), sizeof server);
        QSignalSpy refused(&guard, &QTcpServer::acceptError);
        const bool ranOut = refused.wait(waitMs);
        ::setrlimit(RLIMIT_NOFILE, &files);
        QVERIFY(ranOut);
        QSignalSpy accepted(&guard, &QTcpServer::newConnection);
        QTcpSocket page;
        page.connectToHost(QHostAddress::LocalHost, guard.serverPort());
        QVERIFY(accepted.wait(waitMs));
        for (int fd : clients)
            ::close(fd);
    }

    void pushChannelHearsTheFinish() {
        start();
        m_server->publish(snapshot(true, -1, QStringLiteral("Vera")));
        QWebSocket client;
        QSignalSpy messages(&client, &QWebSocket::textMessageReceived);
        client.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
        QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), waitMs);
        const QJsonObject running = stateOf(messages.takeFirst().at(0).toString().toUtf8());
        QVERIFY(running.value("run").toObject().value("on").toBool());
        // The page's clock runs from here: the start lies 1.5 s before the server's now.
        const qint64 sinceStart = running.value("now").toInteger() - running.value("run")["startedAt"].toInteger();
        QVERIFY2(sinceStart >= 1500 && sinceStart < 6500, QByteArray::number(sinceStart));

        m_server->publish(snapshot(false, 5500, QStringLiteral("Vera")));
        QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), waitMs);
        const QJsonObject finished = stateOf(messages.takeFirst().at(0).toString().toUtf8());
        QCOMPARE(finished.value("run").toObject().value("finalMs").toInt(), 5500);
        // Only what changed in the protocol: here its one row, whole.
        const QJsonArray steps = finished.value("protocol")["steps"].toArray();
        QCOMPARE(steps.size(), 1);
        QCOMPARE(steps.at(0).toArray().at(3).toString(), QStringLiteral("5,500"));
        QVERIFY(finished.value("seq").toInt() > running.value("seq").toInt());

        // Only "/ws" is a push channel.
        QWebSocket stray;
        QSignalSpy strayClosed(&stray, &QWebSocket::disconnected);
        stray.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/other").arg(m_port)));
        QVERIFY(strayClosed.wait(waitMs));
    }

    void takenPortIsReported() {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        LiveServer server;
        QSignalSpy failed(&server, &LiveServer::failed);
        server.start(taken.serverPort(), QHostAddress::LocalHost);
        QVERIFY(failed.wait(waitMs));
        QVERIFY(failed.first().first().toString().contains(QString::number(taken.serverPort())));
        QVERIFY(!server.isListening());
    }

private:
    void start(const WebLimits& limits = {}) {
        m_server = std::make_unique<LiveServer>(limits);
        QSignalSpy started(m_server.get(), &LiveServer::started);
        m_server->start(0, QHostAddress::LocalHost);
        QVERIFY(started.wait(waitMs));
        m_port = m_server->port();
        QVERIFY(m_port != 0);
    }

    std::unique_ptr<LiveServer> m_server;
    quint16 m_port = 0;
};

QTEST_GUILESS_MAIN(TestLiveServer)
#include "test_live_server.moc"
