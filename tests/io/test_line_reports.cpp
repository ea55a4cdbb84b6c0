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
    QTest::newRow("RING pulse counted on one edge only")
        << snap(0) << snap(0, 0, 0, 1) << fourEvents << QStringList{"100:40", "100:0"};
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

    const ComReports reports = reportsBetween(before, now, mask, 4711);
    QCOMPARE(describe(reports), expected);
    for (const ComReport& r : reports) {
        QCOMPARE(r.stamp, qint64(4711));
    }
    if (!reports.isEmpty()) {
        // Handlers end up with the present levels.
        QCOMPARE(reports.last().modemStatus, now.modemStatus);
    }
}

void TestLineReports::waitLines() {
    QCOMPARE(waitLinesFor(fourEvents), TIOCM_RNG | TIOCM_DSR | TIOCM_CAR | TIOCM_CTS);
    QCOMPARE(waitLinesFor(EV_RXCHAR | EV_TXEMPTY | EV_ERR | EV_BREAK | EV_RXFLAG), 0);
}

QTEST_GUILESS_MAIN(TestLineReports)
#include "test_line_reports.moc"
