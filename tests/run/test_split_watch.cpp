// The alarm of a split that does not come.

#include "run/split_watch.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"

#include <QSignalSpy>
#include <QTest>

namespace {

void fillSplits(SortGridData& grid, const QStringList& splits) {
    setupProtocolGrid(grid);
    grid.setRowCount(int(splits.size()) + 1);
    for (int i = 0; i < splits.size(); ++i)
        grid.setCell(colZwZeit, i + 1, splits[i]);
}

} // namespace

class TestSplitWatch : public QObject {
    Q_OBJECT

private slots:
    void deadlineIsTwiceTheSlowestSplit() {
        SortGridData grid;
        fillSplits(grid, {""});
        QCOMPARE(SplitWatch::splitDeadlineMs(grid), SplitWatch::noSplitYetMs);
        fillSplits(grid, {"-", "AUS", "2,345", "3,100", "1.5"});
        QCOMPARE(SplitWatch::splitDeadlineMs(grid), 6200);
        // A split given by hand 14,885 s after the start, when the barrier had failed, is left
        // out: the next failure is told after 7,1 s, not after 29,8 s.
        fillSplits(grid, {"1,941", "3,555", "14,885", "2,092", "2,443"});
        QCOMPARE(SplitWatch::splitDeadlineMs(grid), 7110);
        // A slow car counts, up to three times the median; a single split is its own median.
        fillSplits(grid, {"2,000", "5,900", "2,100"});
        QCOMPARE(SplitWatch::splitDeadlineMs(grid), 11800);
        fillSplits(grid, {"14,885"});
        QCOMPARE(SplitWatch::splitDeadlineMs(grid), 29770);
    }

    // Only a run on an armed track with a split barrier that still waits for its split.
    void alarmsOnlyWhileTheSplitIsAwaited() {
        SortGridData grid;
        fillSplits(grid, {"0,010"}); // 20 ms
        SplitWatch watch(grid);
        QSignalSpy changed(&watch, &SplitWatch::overdueChanged);

        watch.update(RunState::RunningSplitPending, false, true); // not armed: barriers dead anyway
        watch.update(RunState::RunningSplitPending, true, false); // no split barrier fitted
        QTest::qWait(100);
        QVERIFY(!watch.overdue());

        watch.update(RunState::RunningSplitPending, true, true);
        QTRY_VERIFY_WITH_TIMEOUT(watch.overdue(), 5000);
        // Further changes of the same run do not restart it.
        watch.update(RunState::RunningSplitPending, true, true);
        QVERIFY(watch.overdue());
        // F6 takes the split: the alarm ends.
        watch.update(RunState::RunningSplitTaken, true, true);
        QVERIFY(!watch.overdue());
        QCOMPARE(changed.size(), 2);

        // The next run is timed afresh; an accident before the deadline ends the watch.
        watch.update(RunState::RunningSplitPending, true, true);
        watch.update(RunState::Idle, false, true);
        QTest::qWait(100);
        QVERIFY(!watch.overdue());
    }
};

QTEST_GUILESS_MAIN(TestSplitWatch)
#include "test_split_watch.moc"
