// The standings computed off the GUI thread: the newest result wins, a late one is dropped,
// changes during a computation are computed again from a fresh copy.

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "standings/standings_updater.h"

#include "protocol_test_grid.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <atomic>

namespace {

QString leaderOf(const StandingsResult& result) {
    return result.groups.isEmpty() || result.groups[0].entries.isEmpty() ? QString() : result.groups[0].entries[0].nr;
}

} // namespace

class TestStandingsUpdater : public QObject {
    Q_OBJECT

    SortGridData m_grid;
    QSemaphore m_release; // the worker waits here while held
    std::atomic<bool> m_hold{false};

    StandingsUpdater* makeUpdater(QObject* parent) {
        return new StandingsUpdater([this] { return standingsInputOf(m_grid, 1); }, parent,
                                    [this](const StandingsInput& input) {
                                        // Only the worker waits, and never for ever.
                                        const bool worker = QThread::currentThread() != qApp->thread();
                                        if (worker && m_hold.exchange(false))
                                            m_release.tryAcquire(1, 10000);
                                        return computeStandingsResult(input);
                                    });
    }

private slots:
    void init() {
        m_release.acquire(m_release.available());
        fillProtocol(m_grid, {groupRunRow("3", "A", "5,900", "Vera"), groupRunRow("4", "A", "5,800", "Uwe")});
    }

    // What the worker computes is what computing on this thread gives, best run ids included.
    void resultIsTheProtocols() {
        QObject owner;
        StandingsUpdater* updater = makeUpdater(&owner);
        QSignalSpy ready(updater, &StandingsUpdater::ready);
        updater->request();
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 5000);
        const auto result = ready.at(0).at(0).value<StandingsResult>();
        QCOMPARE(leaderOf(result), QStringLiteral("4"));
        QCOMPARE(result.bestRowIds.value(0).value(0), m_grid.rowId(2));
        const StandingsResult here = updater->computeNow();
        QCOMPARE(result.groups.size(), here.groups.size());
        QCOMPARE(result.groups[0].entries, here.groups[0].entries);
        QCOMPARE(result.bestRowIds, here.bestRowIds);
    }

    // A refresh on the GUI thread while the worker still computes an older copy: the late
    // result never replaces the newer one.
    void lateResultIsDropped() {
        QObject owner;
        StandingsUpdater* updater = makeUpdater(&owner);
        QSignalSpy ready(updater, &StandingsUpdater::ready);
        m_hold = true;
        updater->request();
        QVERIFY(updater->isBusy());
        m_grid.setCell(colZeit, 1, QStringLiteral("5,000")); // number 3 leads now
        QCOMPARE(leaderOf(updater->computeNow()), QStringLiteral("3"));
        m_release.release();
        QTRY_VERIFY_WITH_TIMEOUT(!updater->isBusy(), 5000);
        QCoreApplication::processEvents();
        QCOMPARE(ready.count(), 0);
    }

    // Changes while the worker computes are computed once more, from the table as it is then;
    // the last result handed on is the newest.
    void changesDuringAComputationFollow() {
        QObject owner;
        StandingsUpdater* updater = makeUpdater(&owner);
        QSignalSpy ready(updater, &StandingsUpdater::ready);
        m_hold = true;
        updater->request();
        m_grid.setCell(colZeit, 1, QStringLiteral("5,000"));
        updater->request();
        m_grid.setCell(colZeit, 2, QStringLiteral("4,000"));
        updater->request();
        m_release.release();
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!updater->isBusy(), 5000);
        QCOMPARE(ready.count(), 2);
        QCOMPARE(leaderOf(ready.at(0).at(0).value<StandingsResult>()), QStringLiteral("4"));
        QCOMPARE(leaderOf(ready.at(1).at(0).value<StandingsResult>()), QStringLiteral("4"));
        QCOMPARE(ready.at(1).at(0).value<StandingsResult>().groups[0].entries[0].result, QStringLiteral("4,000"));
    }

    // An updater gone while its worker computes leaves nothing behind that could call it.
    void destroyedWhileComputing() {
        auto* owner = new QObject;
        StandingsUpdater* updater = makeUpdater(owner);
        m_hold = true;
        updater->request();
        delete owner;
        m_release.release();
        QTRY_COMPARE_WITH_TIMEOUT(QThreadPool::globalInstance()->activeThreadCount(), 0, 5000);
        QCoreApplication::processEvents();
    }
};

QTEST_GUILESS_MAIN(TestStandingsUpdater)
#include "test_standings_updater.moc"
