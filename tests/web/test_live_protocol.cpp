// What the live results pages are sent at a big event: the protocol by version and in steps,
// the running state apart, answers a page already has as "304", large ones compressed, and
// an identity per server start that pages follow.
#include "web/live_server.h"
#include "web/live_state.h"
#include "web/protocol_diff.h"
#include "web_client.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QWebSocket>
#include <QtEndian>

#include <algorithm>
#include <memory>

namespace {

constexpr int waitMs = 15000;
constexpr int platz = 5;

QStringList row(int nr, const QString& zeit, int rank) {
    return {QString::number(nr),
            QStringLiteral("Fahrer %1").arg(nr),
            QStringLiteral("Wagen"),
            QStringLiteral("Klasse %1").arg(nr % 3),
            zeit,
            rank > 0 ? QString::number(rank) : QStringLiteral("-")};
}

// An event day: rows ranked by time.
QList<QStringList> ranked(int count) {
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.append(row(1000 + i, QStringLiteral("%1,000").arg(4 + i), i));
    return rows;
}

// The steps applied as a page applies them.
QList<QStringList> applySteps(const QList<QStringList>& before, const QJsonArray& steps) {
    QList<QStringList> rows;
    for (const QJsonValue& step : steps) {
        const QJsonArray parts = step.toArray();
        if (parts.at(0).isDouble()) {
            for (int i = parts.at(0).toInt(); i < parts.at(0).toInt() + parts.at(1).toInt(); ++i) {
                QStringList r = before.at(i);
                if (parts.at(2).toInt() != 0)
                    r[platz] = QString::number(r[platz].toInt() + parts.at(2).toInt());
                rows.append(r);
            }
        } else {
            QStringList r;
            for (const QJsonValue& cell : parts)
                r.append(cell.toString());
            rows.append(r);
        }
    }
    return rows;
}

QJsonArray stepsOf(const ProtocolDiff& diff) {
    return QJsonDocument::fromJson(diff.steps).array();
}

LiveSnapshotPtr snapshotOf(const QList<QStringList>& rows, bool running = false) {
    auto s = std::make_shared<LiveSnapshot>();
    s->title = QStringLiteral("Clubrennen");
    s->columns = QStringList{"Nr.", "Name", "Fahrzeug", "Gruppe", "Zeit", "Platz"};
    s->rows = rows;
    s->running = running;
    s->startedAt = steadyNowMs();
    return s;
}

QJsonObject objectOf(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

} // namespace

class TestLiveProtocol : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { m_server.reset(); }

    // A finish ranked third among 5,000: the rows below move down with their rank one up,
    // and the steps say so in a few bytes.
    void aFinishAmong5000RowsIsAFewSteps() {
        const QList<QStringList> before = ranked(5000);
        QList<QStringList> after = before;
        after.insert(2, row(77, QStringLiteral("6,500"), 3));
        for (int i = 3; i < after.size(); ++i)
            after[i][platz] = QString::number(i + 1);
        const ProtocolDiff diff = protocolDiff(before, after, platz);
        QCOMPARE(applySteps(before, stepsOf(diff)), after);
        QCOMPARE(diff.newRows, 1);
        QVERIFY2(diff.steps.size() < 200, diff.steps);
    }

    void changesComeAsWholeRows_data() {
        QTest::addColumn<int>("change");
        QTest::newRow("a cell changed") << 0;
        QTest::newRow("a rank becomes a marker") << 1;
        QTest::newRow("rows removed and the rest reversed") << 2;
        QTest::newRow("the same row twice") << 3;
    }
    void changesComeAsWholeRows() {
        QFETCH(int, change);
        const QList<QStringList> before = ranked(50);
        QList<QStringList> after = before;
        int whole = 1;
        if (change == 0) {
            after[10][1] = QStringLiteral("<b>Neuer Name</b>");
        } else if (change == 1) {
            after[20][platz] = QStringLiteral("-");
        } else if (change == 2) {
            after.remove(5, 10);
            std::reverse(after.begin(), after.end());
            whole = 0;
        } else {
            after.append(after[7]);
            after[7][platz] = QStringLiteral("8"); // unchanged text, kept
            whole = 1;
        }
        const ProtocolDiff diff = protocolDiff(before, after, platz);
        QCOMPARE(applySteps(before, stepsOf(diff)), after);
        QCOMPARE(diff.newRows, whole);
    }

    // The protocol's version moves only with the protocol; seq with every change; steps from
    // a version kept, none from one unknown.
    void versionsFollowTheProtocolOnly() {
        LiveState state(newServerId());
        const quint64 empty = state.version();
        QVERIFY(state.publish(snapshotOf(ranked(3))));
        const quint64 three = state.version();
        QVERIFY(three > empty);
        QVERIFY(!state.publish(snapshotOf(ranked(3), true))); // a start: same protocol
        QCOMPARE(state.version(), three);
        QCOMPARE(state.seq(), quint64(2));
        QVERIFY(!objectOf(state.pushJson(0, false)).contains("protocol"));
        QVERIFY(!objectOf(state.liveJson(0)).contains("rows"));

        QVERIFY(state.publish(snapshotOf(ranked(4))));
        const QJsonObject pushed = objectOf(state.pushJson(0, true));
        QCOMPARE(pushed.value("protocol")["since"].toInteger(), qint64(three));
        QCOMPARE(applySteps(ranked(3), pushed.value("protocol")["steps"].toArray()), ranked(4));
        QVERIFY(!state.protocolSinceJson(three).isEmpty());
        QVERIFY(state.protocolSinceJson(empty).isEmpty()); // other columns: the whole protocol
        QVERIFY(state.protocolSinceJson(state.version() + 5).isEmpty());
        // /api/state keeps every member it always had.
        const QJsonObject all = objectOf(state.stateJson(42));
        for (const char* member : {"now", "seq", "title", "startNr", "nextNr", "run", "last", "columns", "rows"})
            QVERIFY2(all.contains(QLatin1String(member)), member);
        QCOMPARE(all.value("rows").toArray().size(), 4);
    }

    // The polling answer is made once per snapshot: every snapshot shows in it and in its tag,
    // only the server's clock differs from poll to poll, and the first snapshot has seq 1.
    void liveAnswerFollowsEverySnapshot() {
        LiveState state(newServerId());
        QCOMPARE(objectOf(state.liveJson(5)).value("seq").toInteger(), qint64(0));
        const QByteArray emptyTag = state.stateTag();
        state.publish(snapshotOf(ranked(3)));
        const QByteArray firstTag = state.stateTag();
        QVERIFY(firstTag != emptyTag);
        const QJsonObject idle = objectOf(state.liveJson(100));
        QCOMPARE(idle.value("seq").toInteger(), qint64(1));
        QCOMPARE(idle.value("run")["on"].toBool(), false);
        QCOMPARE(idle.value("server").toString().toLatin1(), state.serverId());
        QJsonObject later = objectOf(state.liveJson(250));
        QCOMPARE(later.value("now").toInteger(), qint64(250));
        later.insert("now", 100);
        QCOMPARE(later, idle);

        state.publish(snapshotOf(ranked(3), true)); // a start: the protocol stays, the state moves
        QVERIFY(state.stateTag() != firstTag);
        const QJsonObject running = objectOf(state.liveJson(300));
        QCOMPARE(running.value("seq").toInteger(), qint64(2));
        QCOMPARE(running.value("run")["on"].toBool(), true);
        QCOMPARE(running.value("version"), idle.value("version"));
        QCOMPARE(objectOf(state.stateJson(300)).value("seq").toInteger(), qint64(2));
        QCOMPARE(objectOf(state.pushJson(300, false)).value("run")["on"].toBool(), true);
        QVERIFY(state.protocolTag().contains("-v" + QByteArray::number(state.version())));
    }

    // Over HTTP, several answers on one connection: "304" while nothing changed, HEAD as GET
    // without the body, and the new state with a new tag once a snapshot came.
    void pollingAnswersAreSharedButNeverStale() {
        start();
        m_server->publish(snapshotOf(ranked(20)));
        QJsonObject live;
        QTRY_VERIFY_WITH_TIMEOUT((live = objectOf(get(m_port, "/api/live").body)).value("seq").toInt() == 1, waitMs);
        QTcpSocket page;
        page.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(page.waitForConnected(waitMs));
        page.write("GET /api/live HTTP/1.1\r\nHost: x\r\n\r\n");
        const WebReply first = readReply(page);
        QCOMPARE(first.status, 200);
        const QByteArray tag = first.headers.value("etag");
        QVERIFY(!tag.isEmpty());
        QCOMPARE(first.headers.value("cache-control"), QByteArray("no-store"));
        QVERIFY(first.headers.value("content-security-policy").contains("default-src 'none'"));
        QCOMPARE(first.headers.value("content-length").toInt(), first.body.size());
        const QByteArray ask = "GET /api/live HTTP/1.1\r\nHost: x\r\nIf-None-Match: " + tag + "\r\n\r\n";
        // Three at once: answered in order, none with a body.
        page.write(ask + "HEAD /api/live HTTP/1.1\r\nHost: x\r\n\r\n" + ask);
        QByteArray answers;
        QDeadlineTimer deadline(waitMs);
        while (answers.count("\r\n\r\n") < 3 && !deadline.hasExpired()) {
            page.waitForReadyRead(50);
            answers += page.readAll();
        }
        QVERIFY2(answers.startsWith("HTTP/1.1 304 ") && answers.endsWith("\r\n\r\n"), answers);
        const qsizetype second = answers.indexOf("\r\n\r\n") + 4;
        const qsizetype third = answers.indexOf("\r\n\r\n", second) + 4;
        const QByteArray headAnswer = answers.mid(second, third - second);
        QVERIFY2(headAnswer.startsWith("HTTP/1.1 200 OK\r\n"), headAnswer);
        QVERIFY(headAnswer.contains("\r\nETag: " + tag + "\r\n"));
        QVERIFY(headAnswer.contains("\r\nContent-Length: " + QByteArray::number(first.body.size()) + "\r\n"));
        QVERIFY2(answers.mid(third).startsWith("HTTP/1.1 304 "), answers);
        QCOMPARE(answers.count("HTTP/1.1 "), 3);

        m_server->publish(snapshotOf(ranked(20), true));
        WebReply moved;
        QTRY_VERIFY_WITH_TIMEOUT((page.write(ask), moved = readReply(page)).status == 200, waitMs);
        QVERIFY(moved.headers.value("etag") != tag);
        QCOMPARE(objectOf(moved.body).value("seq").toInteger(), qint64(2));
        QCOMPARE(objectOf(moved.body).value("run")["on"].toBool(), true);
        QVERIFY(page.bytesAvailable() == 0 && !page.waitForReadyRead(100)); // nothing more than asked
    }

    // Over HTTP: the version in /api/live, the protocol once, then "304" or the steps, and
    // compressed when the page takes it so.
    void pollingPagesGetOnlyWhatChanged() {
        start();
        m_server->publish(snapshotOf(ranked(2000)));
        QJsonObject live;
        QTRY_VERIFY_WITH_TIMEOUT((live = objectOf(get(m_port, "/api/live").body)).value("version").toInt() > 1, waitMs);
        QVERIFY(!live.contains("rows"));
        const QByteArray version = QByteArray::number(live.value("version").toInteger());

        const WebReply whole = get(m_port, "/api/protocol");
        QCOMPARE(objectOf(whole.body).value("rows").toArray().size(), 2000);
        const QByteArray tag = whole.headers.value("etag");
        QVERIFY(!tag.isEmpty());
        const WebReply again =
            exchange(m_port, "GET /api/protocol HTTP/1.1\r\nHost: x\r\nIf-None-Match: " + tag + "\r\n\r\n");
        QCOMPARE(again.status, 304);
        QVERIFY(again.body.isEmpty());

        const WebReply packed =
            exchange(m_port, "GET /api/protocol HTTP/1.1\r\nHost: x\r\nAccept-Encoding: gzip, deflate\r\n\r\n");
        QCOMPARE(packed.headers.value("content-encoding"), QByteArray("deflate"));
        QVERIFY(packed.body.size() * 4 < whole.body.size());
        QByteArray sized(4, '\0'); // qUncompress wants the length in front
        qToBigEndian(quint32(whole.body.size()), sized.data());
        QCOMPARE(qUncompress(sized + packed.body), whole.body);

        QList<QStringList> next = ranked(2000);
        next.insert(0, row(9, QStringLiteral("4,500"), 1));
        for (int i = 1; i < next.size(); ++i)
            next[i][platz] = QString::number(i + 1);
        m_server->publish(snapshotOf(next));
        QTRY_VERIFY_WITH_TIMEOUT(objectOf(get(m_port, "/api/live").body).value("version").toInt() > version.toInt(),
                                 waitMs);
        const WebReply steps = get(m_port, "/api/protocol?since=" + version);
        QVERIFY2(steps.body.size() < 400, steps.body);
        QCOMPARE(applySteps(ranked(2000), objectOf(steps.body).value("steps").toArray()), next);
        QVERIFY(
            exchange(m_port, "GET /api/protocol HTTP/1.1\r\nHost: x\r\nIf-None-Match: " + tag + "\r\n\r\n").status ==
            200);
    }

    // Every server start has an identity of its own; the numbers start over with it.
    void aRestartedServerHasANewIdentity() {
        start();
        m_server->publish(snapshotOf(ranked(2)));
        m_server->publish(snapshotOf(ranked(3)));
        QJsonObject first;
        QTRY_VERIFY_WITH_TIMEOUT((first = objectOf(get(m_port, "/api/state").body)).value("seq").toInt() == 2, waitMs);
        const QString identity = first.value("server").toString();
        QCOMPARE(identity.size(), 16);

        QSignalSpy started(m_server.get(), &LiveServer::started);
        m_server->stop();
        m_server->start(0, QHostAddress::LocalHost);
        QVERIFY(started.wait(waitMs));
        const QJsonObject second = objectOf(get(m_server->port(), "/api/state").body);
        QVERIFY(second.value("server").toString() != identity);
        QVERIFY(second.value("seq").toInt() < first.value("seq").toInt());
        QCOMPARE(second.value("rows").toArray().size(), 3); // the newest state is kept across
    }

    // No text from the protocol or the settings is taken for one of the page's placeholders.
    void titleIsNeverAPlaceholder() {
        start();
        auto s = std::make_shared<LiveSnapshot>(*snapshotOf({}));
        s->title = QStringLiteral("{{QR}} {{ADDRESS}} {{TITLE}}");
        m_server->publish(s);
        QTRY_VERIFY_WITH_TIMEOUT(get(m_port, "/aushang").body.contains("{{QR}} {{ADDRESS}} {{TITLE}}"), waitMs);
        QCOMPARE(get(m_port, "/aushang").body.count("<svg"), 1);
        QVERIFY(get(m_port, "/").body.contains("<h1 id=\"title\">{{QR}} {{ADDRESS}} {{TITLE}}</h1>"));
    }

private:
    void start() {
        m_server = std::make_unique<LiveServer>();
        QSignalSpy started(m_server.get(), &LiveServer::started);
        m_server->start(0, QHostAddress::LocalHost);
        QVERIFY(started.wait(waitMs));
        m_port = m_server->port();
    }

    std::unique_ptr<LiveServer> m_server;
    quint16 m_port = 0;
};

QTEST_GUILESS_MAIN(TestLiveProtocol)
#include "test_live_protocol.moc"
