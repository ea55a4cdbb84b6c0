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
