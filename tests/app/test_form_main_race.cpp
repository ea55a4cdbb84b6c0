#include "../run/run_stamps.h"
#include "form_main_fixture.h"

#include "controls/digit.h"
#include "controls/sort_grid.h"
#include "display/display_panel.h"
#include "io/simulated_barrier_box.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

#include <QLocale>

#include <atomic>

namespace {

constexpr qint64 nsPerMs = 1'000'000; // the window's counter runs at 10^9 counts per second

} // namespace

// A whole race in the main window: F4, then the four barriers of the simulated box on COM64,
// stamped by a counter the test moves itself. The protocol row and the box's lines are
// checked at every step. The same race after F9 and F7 outside a run must time the same: a
// key's stamp taken while no run is on belongs to no run, also when the run's L3 is missed.
class TestFormMainRace : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_fixture->storeDesignWindow(
            64, 0, {{"FilterInd", 1}, {"Length", 100}, {"Monitor", 0}, {"Title", "Rennen"}, {"LengthF", 10}});
        FormMainEnvironment environment = m_fixture->environment();
        m_counter = 1;
        environment.performanceCounter = [this] { return m_counter.load(); };
        m_form = std::make_unique<TFormMain>(environment);
        QVERIFY(FormMainFixture::showActive(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
    }

    void raceFromTheBarriers_data() {
        QTest::addColumn<bool>("idleKeysFirst");
        QTest::addColumn<bool>("trapBarrier");
        QTest::addColumn<QStringList>("runRow");
        const QStringList timed{"1", "", "", "", "2,345", "65,45", "72,00", "0,500", "5,500", "1"};
        QTest::newRow("straight") << false << true << timed;
        QTest::newRow("after F9 and F7 outside a run") << true << true << timed;
        // No L3: no End-Zeit and no Vmax, rather than times from the F7 before the start.
        QTest::newRow("after F9 and F7, L3 missed")
            << true << false << QStringList{"1", "", "", "", "2,345", "65,45", "-", "-", "5,500", "1"};
    }

    void raceFromTheBarriers() {
        QFETCH(bool, idleKeysFirst);
        QFETCH(bool, trapBarrier);
        QFETCH(QStringList, runRow);
        RunController& c = m_form->runController();
        SimulatedBarrierBox& box = m_form->barrierBox();
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        // One earlier run, as from the backup: the new one must rank before it.
        grid.setCell(colNr, 1, QStringLiteral("7"));
        grid.setCell(colName, 1, QStringLiteral("Vera"));
        grid.setCell(colZeit, 1, QStringLiteral("6,000"));
        grid.setCell(colPlatz, 1, QStringLiteral("1"));
        QCOMPARE(box.statusText(), QStringLiteral("OPEN=0 DTR=0 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=0"));

        if (idleKeysFirst) {
            m_counter = 1000 * nsPerMs;
            QTest::keyClick(m_form.get(), Qt::Key_F9);
            m_counter = 2000 * nsPerMs;
            QTest::keyClick(m_form.get(), Qt::Key_F7); // sounds and lights FINISH, nothing more
            QCOMPARE(c.state(), RunState::Idle);
            QCOMPARE(c.trapStamp(), notTaken);
        }

        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QCOMPARE(c.state(), RunState::Armed);
        QCOMPARE(box.statusText(), QStringLiteral("OPEN=1 DTR=1 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=1"));

        const qint64 t0 = 10'000 * nsPerMs;
        m_counter = t0;
        box.setContact(1, true); // L1 counts on DSR on (Alg 1)
        QTRY_COMPARE(c.state(), RunState::RunningSplitPending);
        QCOMPARE(c.startStamp(), taken(t0));
        QCOMPARE(grid.cell(colZwZeit, 2), QStringLiteral("-"));
        box.setContact(1, false);
        QTRY_COMPARE(c.lastModemStatus(), 0u);

        // L2 to L4 count when their line drops (Alg 0): on the contact's opening.
        box.setContact(2, true);
        QTRY_COMPARE(c.lastModemStatus(), MS_RLSD_ON);
        QCOMPARE(c.state(), RunState::RunningSplitPending);
        m_counter = t0 + 2345 * nsPerMs;
        box.setContact(2, false);
        QTRY_COMPARE(c.state(), RunState::RunningSplitTaken);
        QCOMPARE(c.splitStamp(), taken(t0 + 2345 * nsPerMs));
        // The reopen with RTS/CTS comes after the event: L3 and L4 live, lamp out.
        QTRY_COMPARE(box.statusText(), QStringLiteral("OPEN=1 DTR=1 RTS=1 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=0"));

        // The start's lock-out ignores the trap and finish barriers; it is a real 200 ms.
        QTRY_VERIFY(!c.isLockoutRunning());
        const RunState beforeFinish = trapBarrier ? RunState::RunningInTrap : RunState::RunningSplitTaken;
        if (trapBarrier) {
            box.setContact(3, true);
            QTRY_COMPARE(c.lastModemStatus(), MS_CTS_ON);
            m_counter = t0 + 5000 * nsPerMs;
            box.setContact(3, false);
            QTRY_COMPARE(c.state(), RunState::RunningInTrap);
            QCOMPARE(c.trapStamp(), taken(t0 + 5000 * nsPerMs));
        }

        box.setContact(4, true);
        QTRY_COMPARE(c.lastModemStatus(), MS_RING_ON);
        QCOMPARE(c.state(), beforeFinish);
        m_counter = t0 + 5500 * nsPerMs;
        box.setContact(4, false);
        QTRY_COMPARE(c.state(), RunState::Finished);
        QCOMPARE(c.finishStamp(), taken(t0 + 5500 * nsPerMs));
        QTRY_COMPARE(box.statusText(), QStringLiteral("OPEN=0 DTR=0 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=0"));

        // Ranked by "Zeit": the new run moved to the top and is selected. End-Zeit and Vmax come
        // from this run's own L3 only.
        QCOMPARE(grid.rowCells(1), runRow);
        QCOMPARE(grid.rowCells(2), QStringList({"7", "Vera", "", "", "", "", "", "", "6,000", "2"}));
        QCOMPARE(grid.RowCount(), 3);
        QCOMPARE(grid.Row(), 1);
        if (!trapBarrier)
            return;
        const DisplayPanel* panel = m_form->ui().PanelDisplay;
        QCOMPARE(QString::number(panel->Digit7->Value()) + QString::number(panel->Digit8->Value()) +
                     QString::number(panel->Digit9->Value()),
                 QStringLiteral("500"));
        QCOMPARE(panel->Digit6->Value(), 5);
    }

private:
    std::atomic<qint64> m_counter{1};
    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;
};

QTEST_MAIN(TestFormMainRace)
#include "test_form_main_race.moc"
