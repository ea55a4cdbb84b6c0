#include "io/line_reports.h"

#include <QTest>

#include <climits>
#include <sys/ioctl.h>

Q_DECLARE_METATYPE(LineSnapshot)

// Turning two readings of the lines into reports: no level change is lost, none invented.
class TestLineReports : public QObject {
    Q_OBJECT
private slots:
    void reports_data();
    void reports();
    void lateCounts_data();
    void lateCounts();
    void shortfallExpires_data();
    void shortfallExpires();
    void linesReadByLevel_data();
    void linesReadByLevel();
    void waitLines();
};

namespace {

constexpr quint32 fourEvents = EV_RING | EV_CTS | EV_DSR | EV_RLSD;

LineSnapshot snap(quint32 status, int cts = 0, int dsr = 0, int rng = 0, int dcd = 0) {
    return {status, {cts, dsr, rng, dcd}};
}

// "mask:status" per report, hex.
QStringList describe(const ComReports& reports) {
    QStringList out;
    for (const ComReport& r : reports) {
        out << QStringLiteral("%1:%2").arg(r.eventMask, 0, 16).arg(r.modemStatus, 0, 16);
    }
    return out;
}

} // namespace

void TestLineReports::reports_data() {
    QTest::addColumn<LineSnapshot>("before");
    QTest::addColumn<LineSnapshot>("now");
    QTest::addColumn<quint32>("mask");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("nothing moved") << snap(0x20, 0, 4) << snap(0x20, 0, 4) << fourEvents << QStringList{};
    QTest::newRow("DSR on") << snap(0) << snap(0x20, 0, 1) << fourEvents << QStringList{"10:20"};
    QTest::newRow("DSR off") << snap(0x20, 0, 1) << snap(0, 0, 2) << fourEvents << QStringList{"10:0"};
    QTest::newRow("DSR pulse within one wake-up: active, then idle")
        << snap(0) << snap(0, 0, 2) << fourEvents << QStringList{"10:20", "10:0"};
    QTest::newRow("inverted pulse: idle, then active")
        << snap(0x20, 0, 2) << snap(0x20, 0, 4) << fourEvents << QStringList{"10:0", "10:20"};
    QTest::newRow("two pulses still give both levels")
        << snap(0) << snap(0, 0, 4) << fourEvents << QStringList{"10:20", "10:0"};
    QTest::newRow("change with a pulse before it: new, old, new")
        << snap(0) << snap(0x80, 0, 0, 0, 3) << fourEvents << QStringList{"20:80", "20:0", "20:80"};
    QTest::newRow("CTS and DSR in one report") << snap(0) << snap(0x30, 1, 1) << fourEvents << QStringList{"18:30"};
    QTest::newRow("pulse on DSR beside a change of CTS")
        << snap(0) << snap(0x10, 1, 2) << fourEvents << QStringList{"18:30", "10:10"};
    QTest::newRow("unselected line changes: no report")
        << snap(0) << snap(0x10, 1, 0) << quint32(EV_DSR | EV_RING) << QStringList{};
    QTest::newRow("unselected line rides along in the word")
        << snap(0) << snap(0x30, 1, 1) << quint32(EV_DSR) << QStringList{"10:30"};
    QTest::newRow("counter wraps") << snap(0, 0, INT_MAX) << snap(0x20, 0, INT_MIN) << fourEvents
                                   << QStringList{"10:20"};
}

void TestLineReports::reports() {
    QFETCH(LineSnapshot, before);
    QFETCH(LineSnapshot, now);
    QFETCH(quint32, mask);
    QFETCH(QStringList, expected);

    ReportedLines reported{before, {}, false};
    const ComReports reports = advanceReports(&reported, now, mask, 4711);
    QVERIFY(reported.seen == now);
    QCOMPARE(describe(reports), expected);
    for (const ComReport& r : reports) {
        QCOMPARE(r.stamp, qint64(4711));
    }
    if (!reports.isEmpty()) {
        // Handlers end up with the present levels.
        QCOMPARE(reports.last().modemStatus, now.modemStatus);
    }
}

void TestLineReports::lateCounts_data() {
    // Readings one after the other from a base of all lines off and no counts, each with the
    // reports it gives ("-" for none), "|" between readings.
    QTest::addColumn<QList<LineSnapshot>>("readings");
    QTest::addColumn<bool>("ringTrailingEdgeOnly");
    QTest::addColumn<QString>("expected");

    QTest::newRow("count of a reported change arrives late")
        << QList{snap(0x20), snap(0x20, 0, 1), snap(0, 0, 1), snap(0, 0, 2)} << false << "10:20|-|10:0|-";
    QTest::newRow("counts of two lines arrive late together")
        << QList{snap(0x50), snap(0x50, 1, 0, 1)} << false << "108:50|-";
    QTest::newRow("a pulse whose counts arrive one by one")
        << QList{snap(0, 0, 1), snap(0, 0, 2)} << false << "-|10:20,10:0";
    QTest::newRow("a late single count does not swallow the next pulse")
        << QList{snap(0, 0, 1), snap(0, 0, 3)} << false << "-|10:20,10:0";
    QTest::newRow("a chattering line whose counts all come late")
        << QList{snap(0x20), snap(0), snap(0x20), snap(0), snap(0x20), snap(0), snap(0, 0, 6), snap(0, 0, 8)} << false
        << "10:20|10:0|10:20|10:0|10:20|10:0|-|10:20,10:0";
    QTest::newRow("RING counted on its trailing edge: a pulse") << QList{snap(0, 0, 0, 1)} << true << "100:40,100:0";
    QTest::newRow("RING counted on its trailing edge: its levels")
        << QList{snap(0x40), snap(0, 0, 0, 1), snap(0, 0, 0, 1)} << true << "100:40|100:0|-";
    QTest::newRow("RING counting both edges: a single count is late") << QList{snap(0, 0, 0, 1)} << false << "-";
    QTest::newRow("RING gone active uncounted beside a change of CTS: RING first, on its own")
        << QList{snap(0x10), snap(0x40, 2, 0, 0)} << true << "8:10|100:50,8:40";
}

void TestLineReports::lateCounts() {
    QFETCH(QList<LineSnapshot>, readings);
    QFETCH(bool, ringTrailingEdgeOnly);
    QFETCH(QString, expected);

    ReportedLines reported;
    reported.ringTrailingEdgeOnly = ringTrailingEdgeOnly;
    QStringList steps;
    for (const LineSnapshot& now : readings) {
        const QStringList reports = describe(advanceReports(&reported, now, fourEvents, 1));
        steps << (reports.isEmpty() ? QStringLiteral("-") : reports.join(QLatin1Char(',')));
    }
    QCOMPARE(steps.join(QLatin1Char('|')), expected);
}

void TestLineReports::shortfallExpires_data() {
    // A glitch on DSR that the levels caught and no count carries, then the counts of a real
    // pulse: `at` microseconds after the glitch ended.
    QTest::addColumn<qint64>("at");
    QTest::addColumn<QString>("expected");
    QTest::newRow("within the counts' lag: the two late counts of the glitch") << qint64(10000) << "10:20|10:0|-";
    QTest::newRow("50 ms later: a pulse") << qint64(50000) << "10:20|10:0|10:20,10:0";
}

void TestLineReports::shortfallExpires() {
    QFETCH(qint64, at);
    QFETCH(QString, expected);
    const qint64 start = 7000000;
    const QList<std::pair<LineSnapshot, qint64>> readings{
        {snap(0x20), start}, {snap(0), start + 300}, {snap(0, 0, 2), start + 300 + at}};
    ReportedLines reported;
    QStringList steps;
    for (const auto& [now, us] : readings) {
        const QStringList reports = describe(advanceReports(&reported, now, fourEvents, 1, us));
        steps << (reports.isEmpty() ? QStringLiteral("-") : reports.join(QLatin1Char(',')));
    }
    QCOMPARE(steps.join(QLatin1Char('|')), expected);
}

void TestLineReports::linesReadByLevel_data() {
    QTest::addColumn<int>("ring");
    QTest::addColumn<quint32>("active");
    QTest::addColumn<quint32>("idle");
    QTest::addColumn<quint32>("eventMask");
    QTest::addColumn<quint32>("read");
    const quint32 all = NeededChanges::allLines;
    const quint32 notRing = all & ~quint32(MS_RING_ON);
    QTest::newRow("8250, finish on RING going active")
        << int(RingCounting::TrailingEdgeOnly) << all << notRing << fourEvents << quint32(MS_RING_ON);
    QTest::newRow("8250, finish on RING going idle: counted")
        << int(RingCounting::TrailingEdgeOnly) << notRing << all << fourEvents << 0u;
    QTest::newRow("USB adapter: every edge counted") << int(RingCounting::BothEdges) << all << all << fourEvents << 0u;
    QTest::newRow("unknown UART, RING going idle")
        << int(RingCounting::Unknown) << notRing << all << fourEvents << quint32(MS_RING_ON);
    QTest::newRow("unknown UART, RING not needed")
        << int(RingCounting::Unknown) << notRing << notRing << fourEvents << 0u;
    QTest::newRow("RING not watched") << int(RingCounting::Unknown) << all << all << quint32(EV_DSR) << 0u;
}

void TestLineReports::linesReadByLevel() {
    QFETCH(int, ring);
    QFETCH(quint32, active);
    QFETCH(quint32, idle);
    QFETCH(quint32, eventMask);
    QFETCH(quint32, read);
    QCOMPARE(::linesReadByLevel(RingCounting(ring), NeededChanges{active, idle}, eventMask), read);
}

void TestLineReports::waitLines() {
    QCOMPARE(waitLinesFor(fourEvents), TIOCM_RNG | TIOCM_DSR | TIOCM_CAR | TIOCM_CTS);
    QCOMPARE(waitLinesFor(EV_RXCHAR | EV_TXEMPTY | EV_ERR | EV_BREAK | EV_RXFLAG), 0);
}

QTEST_GUILESS_MAIN(TestLineReports)
#include "test_line_reports.moc"
