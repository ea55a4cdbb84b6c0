// The standings on the live page: /api/standings by protocol version, counted as the window
// counts, a new version when only the count changes, "304" for a page that has them, and the
// page's own section for them.
#include "protocol/protocol_table.h"
#include "protocol_test_grid.h"
#include "web/live_server.h"
#include "web/live_state.h"
#include "web_client.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int waitMs = 15000;

LiveSnapshotPtr snapshotOf(const QList<QStringList>& rows, int countedRuns = 1) {
    auto s = std::make_shared<LiveSnapshot>();
    s->title = QStringLiteral("Clubrennen");
    s->columns = protocolHeaderTexts();
    s->rows = rows;
    s->standingsRule.countedRuns = countedRuns;
    return s;
}

QJsonObject objectOf(const QByteArray& json) {
    return QJsonDocument::fromJson(json).object();
}

const QList<QStringList> day{groupRunRow("7", "Klasse A", "6,000", "Vera <b>"),
                             groupRunRow("8", "Klasse A", "5,500", "Kai"), groupRunRow("7", "Klasse A", "5,400"),
                             groupRunRow("9", "", "7,000", "Ida")};

} // namespace

class TestLiveStandings : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { m_server.reset(); }

    void standingsFollowTheProtocolsVersion() {
        LiveState state(newServerId());
        state.publish(snapshotOf(day));
        const QJsonObject first = objectOf(state.standingsJson());
        QCOMPARE(first.value("server").toString(), QString::fromLatin1(state.serverId()));
        QCOMPARE(first.value("version").toInteger(), qint64(state.version()));
        QCOMPARE(first.value("rule").toString(), QStringLiteral("Bester Lauf, Zeit"));
        const QJsonArray groups = first.value("groups").toArray();
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0]["gruppe"].toString(), QStringLiteral("Klasse A"));
        QCOMPARE(groups[0]["rows"][0][1].toString(), QStringLiteral("7"));
        QCOMPARE(groups[0]["rows"][0][2].toString(), QStringLiteral("Vera <b>")); // the page sets it as text
        QCOMPARE(groups[0]["rows"][0][4].toString(), QStringLiteral("5,400"));
        QCOMPARE(groups[1]["title"].toString(), QStringLiteral("ohne Gruppe"));

        // The same rows counted as a sum are another version.
        const quint64 before = state.version();
        QVERIFY(state.publish(snapshotOf(day, 2)));
        QVERIFY(state.version() > before);
        const QJsonObject summed = objectOf(state.standingsJson());
        QCOMPARE(summed.value("rule").toString(), QStringLiteral("Summe der 2 besten Läufe, Zeit"));
        QCOMPARE(summed.value("groups")[0]["rows"][0][4].toString(), QStringLiteral("11,400"));
        // A start changes nothing the standings show.
        auto running = std::make_shared<LiveSnapshot>(*snapshotOf(day, 2));
        running->running = true;
        QVERIFY(!state.publish(running));
        QCOMPARE(objectOf(state.standingsJson()), summed);
    }

    void pagesAskOverHttp() {
        m_server = std::make_unique<LiveServer>();
        QSignalSpy started(m_server.get(), &LiveServer::started);
        m_server->start(0, QHostAddress::LocalHost);
        QVERIFY(started.wait(waitMs));
        const quint16 port = m_server->port();
        m_server->publish(snapshotOf(day));
        WebReply reply;
        QTRY_VERIFY_WITH_TIMEOUT((reply = get(port, "/api/standings")).status == 200 &&
                                     objectOf(reply.body).value("groups").toArray().size() == 2,
                                 waitMs);
        QVERIFY(reply.headers.value("content-type").startsWith("application/json"));
        const QByteArray tag = reply.headers.value("etag");
        QVERIFY(!tag.isEmpty());
        QCOMPARE(exchange(port, "GET /api/standings HTTP/1.1\r\nHost: x\r\nIf-None-Match: " + tag + "\r\n\r\n").status,
                 304);

        // A finish: another version, other standings.
        QList<QStringList> next = day;
        next.append(groupRunRow("8", "Klasse A", "5,000"));
        m_server->publish(snapshotOf(next));
        QTRY_COMPARE_WITH_TIMEOUT(
            objectOf(get(port, "/api/standings").body).value("groups")[0]["rows"][0][1].toString(), QStringLiteral("8"),
            waitMs);

        // The page has a section for them, closed until the reader opens it.
        const QByteArray page = get(port, "/").body;
        QVERIFY(page.contains("<details class=\"standings\" id=\"wertung\">"));
        QVERIFY(get(port, "/live.js").body.contains("/api/standings"));
    }

private:
    std::unique_ptr<LiveServer> m_server;
};

QTEST_GUILESS_MAIN(TestLiveStandings)
#include "test_live_standings.moc"
