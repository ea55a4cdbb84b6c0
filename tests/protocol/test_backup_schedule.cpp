// The backup write that follows the protocol's changes between finishes: once per burst,
// after the last change, and not at all once a write carried the changes.

#include "controls/sort_grid_data.h"
#include "protocol/backup_schedule.h"
#include "protocol/protocol_table.h"

#include <QElapsedTimer>
#include <QTest>

class TestBackupSchedule : public QObject {
    Q_OBJECT

private slots:
    // A name typed key by key, with the event loop running between the keys, is one write,
    // made after the last key.
    void burstOfChangesIsOneWrite() {
        SortGridData grid;
        setupProtocolGrid(grid);
        int writes = 0;
        QString written;
        BackupSchedule schedule(grid, [&] {
            ++writes;
            written = grid.cell(colName, 1);
        });
        schedule.setDelay(400);
        const QString name = QStringLiteral("Annegret");
        QElapsedTimer typing;
        typing.start();
        for (qsizetype keys = 1; keys <= name.size(); ++keys) {
            grid.setCell(colName, 1, name.left(keys));
            QTest::qWait(20);
        }
        // Typing took longer than the delay: a timer started only by the first key would
        // have written already.
        QVERIFY(typing.elapsed() > 100);
        QCOMPARE(writes, 0);
        QVERIFY(schedule.isPending());
        QTRY_COMPARE_WITH_TIMEOUT(writes, 1, 5000);
        QCOMPARE(written, name);
        QVERIFY(!schedule.isPending());
    }

    // New rows, a sort and a cleared table change the rows, not a cell: they count as well.
    void rowChangesCount() {
        SortGridData grid;
        setupProtocolGrid(grid);
        int writes = 0;
        BackupSchedule schedule(grid, [&] { ++writes; });
        schedule.setDelay(10);
        grid.setRowCount(5000);
        for (int row = 1; row <= 3; ++row)
            grid.setCell(colNr, row, QString::number(4 - row));
        QVERIFY(schedule.isPending());
        QTRY_COMPARE_WITH_TIMEOUT(writes, 1, 5000);
        grid.sortByColumn(colNr);
        QVERIFY(schedule.isPending());
        QTRY_COMPARE_WITH_TIMEOUT(writes, 2, 5000);
    }

    // A write made at once (a finish) carries the changes: nothing follows it.
    void cancelLeavesNothingPending() {
        SortGridData grid;
        setupProtocolGrid(grid);
        int writes = 0;
        BackupSchedule schedule(grid, [&] { ++writes; });
        grid.setCell(colName, 1, QStringLiteral("Bert"));
        QVERIFY(schedule.isPending());
        schedule.cancel();
        QVERIFY(!schedule.isPending());
        // Selecting is no change of the contents.
        grid.selectRow(1);
        QVERIFY(!schedule.isPending());
        QCOMPARE(writes, 0);
    }
};

QTEST_GUILESS_MAIN(TestBackupSchedule)
#include "test_backup_schedule.moc"
