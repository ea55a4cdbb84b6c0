// The live results thread's epoll event loop does what Qt's own loop does for that thread:
// timers, sockets (reading, writing what the kernel did not take at once, closing), calls
// from other threads while it sleeps, deferred deletion and ending.
#include "web/epoll_event_dispatcher.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int waitMs = 15000;

// Runs f on the thread of context; false when it has not run by the deadline.
template <typename F> bool on(QObject* context, F f) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(context, [f = std::move(f), done]() mutable {
        f();
        *done = true;
    });
    QDeadlineTimer deadline(waitMs);
    while (!*done && !deadline.hasExpired())
        QThread::msleep(1);
    return *done;
}

} // namespace

class TestEpollEventDispatcher : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_thread = std::make_unique<QThread>();
        m_thread->setEventDispatcher(new EpollEventDispatcher);
        m_thread->start();
        m_context = new QObject;
        m_context->moveToThread(m_thread.get());
    }

    void cleanup() {
        QMetaObject::invokeMethod(m_context, [context = m_context] { delete context; });
        m_thread->quit();
        QVERIFY(m_thread->wait(waitMs)); // interrupt() ends a loop that sleeps without timers
        m_thread.reset();
    }

    // Out of descriptors the live server keeps Qt's loop rather than ending the program.
    void withoutDescriptorsItStepsAside() {
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        const int lowestFree = dup(0);
        QVERIFY(lowestFree >= 0);
        close(lowestFree);
        rlimit none = saved;
        none.rlim_cur = rlim_t(lowestFree); // no new descriptor fits below the limit
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &none), 0);
        auto starved = std::make_unique<EpollEventDispatcher>();
        setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY(!starved->isValid());
        starved.reset();
        QVERIFY(EpollEventDispatcher().isValid());
    }

    void timersFireOnTimeAndStopWhenKilled() {
        std::atomic<int> ticks{0}, single{0}, killed{0};
        std::atomic<qint64> remaining{-2};
        QTimer* repeating = nullptr;
        QVERIFY(on(m_context, [&] {
            repeating = new QTimer(m_context);
            connect(repeating, &QTimer::timeout, m_context, [&] { ++ticks; });
            repeating->start(10);
            QTimer::singleShot(30, m_context, [&] { ++single; });
            auto* stopped = new QTimer(m_context);
            connect(stopped, &QTimer::timeout, m_context, [&] { ++killed; });
            stopped->start(20);
            stopped->stop();
            auto* later = new QTimer(m_context);
            later->start(60000);
            remaining = later->remainingTime();
        }));
        QVERIFY(remaining > 59000 && remaining <= 60000);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 10 && single == 1, waitMs);
        QVERIFY(on(m_context, [&] { repeating->stop(); }));
        const int stoppedAt = ticks;
        QTest::qWait(100);
        QCOMPARE(ticks.load(), stoppedAt);
        QCOMPARE(single.load(), 1);
        QCOMPARE(killed.load(), 0);
    }

    // A call from another thread wakes a loop that waits for nothing; deleteLater() deletes.
    void callsFromOtherThreadsWakeIt() {
        QPointer<QObject> doomed;
        QVERIFY(on(m_context, [&] { doomed = new QObject(m_context); }));
        for (int i = 0; i < 20; ++i) {
            std::atomic<bool> ran{false};
            QMetaObject::invokeMethod(m_context, [&] { ran = true; });
            QTRY_VERIFY_WITH_TIMEOUT(ran, waitMs);
        }
        QMetaObject::invokeMethod(m_context, [&] { doomed->deleteLater(); });
        QTRY_VERIFY_WITH_TIMEOUT(doomed.isNull(), waitMs);
    }

    // An echo server on the thread: 4 MB back to a client that reads late, so that most of it
    // waits for the write notifier; then the client leaves and the server hears it.
    void socketsReadWriteAndClose() {
        QTcpServer* server = nullptr;
        std::atomic<bool> peerLeft{false};
        std::atomic<qint64> echoed{0};
        QVERIFY(on(m_context, [&] {
            server = new QTcpServer(m_context);
            server->listen(QHostAddress::LocalHost);
            connect(server, &QTcpServer::newConnection, m_context, [&] {
                QTcpSocket* peer = server->nextPendingConnection();
                connect(peer, &QTcpSocket::readyRead, peer, [&, peer] {
                    const QByteArray got = peer->readAll();
                    echoed += got.size();
                    peer->write(got);
                });
                connect(peer, &QTcpSocket::disconnected, peer, [&, peer] {
                    peerLeft = true;
                    peer->deleteLater();
                });
            });
        }));
        QVERIFY(server->isListening());
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, server->serverPort());
        QVERIFY(client.waitForConnected(waitMs));
        QByteArray sent(4 << 20, '\0');
        for (qsizetype i = 0; i < sent.size(); ++i)
            sent[i] = char(i * 7919 % 251);
        client.write(sent);
        while (client.bytesToWrite() > 0)
            QVERIFY(client.waitForBytesWritten(waitMs));
        QTRY_COMPARE_WITH_TIMEOUT(echoed.load(), qint64(sent.size()), waitMs);
        QByteArray back;
        QDeadlineTimer deadline(waitMs);
        while (back.size() < sent.size() && !deadline.hasExpired()) {
            client.waitForReadyRead(50);
            back += client.readAll();
        }
        QCOMPARE(back.size(), sent.size());
        QVERIFY(back == sent);
        client.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(peerLeft, waitMs);
    }

private:
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr;
};

QTEST_GUILESS_MAIN(TestEpollEventDispatcher)
#include "test_epoll_event_dispatcher.moc"
