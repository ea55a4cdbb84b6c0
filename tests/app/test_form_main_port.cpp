#include "form_main_fixture.h"

#include "../io/fake_serial_system.h"
#include "app/status_panels.h"
#include "controls/sort_grid.h"
#include "io/com_port.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

#include "app/click_label.h"
#include <QCheckBox>
#include <QLocale>

#include <atomic>

// The main window's barrier port on COM17, a fake USB adapter that the test pulls out and
// plugs in again, or a fake built-in port (a 16550A) on COM1.
class TestFormMainPort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_fixture->addPort(QStringLiteral("ttyUSB0"));
        m_fixture->storeDesignWindow(17, 0, {{"FilterInd", 1}, {"Length", 100}});
        m_lines = std::make_shared<FakeSerialSystem>();
        createForm();
    }
    void createForm() {
        FormMainEnvironment environment = m_fixture->environment();
        environment.serialLines = m_lines;
        environment.performanceCounter = [this] { return m_counter.load(); };
        m_form = std::make_unique<TFormMain>(environment);
        QVERIFY(FormMainFixture::showActive(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
        m_lines.reset();
    }

    void pulledAdapterClosesThePortAndTheRunGoesOn() {
        RunController& c = m_form->runController();
        const StatusPanels* status = m_form->ui().StatusBar1;
        // The lines the port powers; the icons themselves stay while the port is chosen.
        auto iconsShown = [&c] {
            int shown = 0;
            for (Barrier b : allBarriers)
                shown += c.icon(b).powered;
            return shown;
        };

        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        QVERIFY(iconsShown() > 0);
        m_counter = 1'000'000'000;
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        QCOMPARE(c.state(), RunState::RunningSplitPending);

        m_lines->pullAdapter();
        QTRY_VERIFY(!m_lines->isOpen()); // the descriptor is released at once
        QVERIFY(!m_form->ComPort().Connected());
        QCOMPARE(iconsShown(), 0);
        QCOMPARE(status->panelText(2), QStringLiteral("Verbindung zu COM17 (ttyUSB0) unterbrochen"));

        // The keys finish the run.
        m_counter = 6'000'000'000;
        QTest::keyClick(m_form.get(), Qt::Key_F8);
        QCOMPARE(c.state(), RunState::Finished);
        QCOMPARE(m_form->ui().SortGrid1->gridData().cell(colZeit, 1), QStringLiteral("5,000"));
        QTest::keyClick(m_form.get(), Qt::Key_F9);
        QCOMPARE(status->panelText(2), QStringLiteral("Verbindung zu COM17 (ttyUSB0) unterbrochen"));

        // Plugged in again: the next arming opens the port, and the message goes.
        m_lines->replug();
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        QVERIFY(m_form->ComPort().Watching());
        QVERIFY(iconsShown() > 0);
        QCOMPARE(status->panelText(2), QStringLiteral("Freigegeben – wartet auf den Start · COM17 (ttyUSB0) offen"));
    }

    void lostWhileArmedOneKeyOpensAgain() {
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        m_lines->pullAdapter();
        QTRY_VERIFY(!m_lines->isOpen());
        // The track shows disarmed: the next F4 arms, it does not disarm.
        QVERIFY(!m_form->ui().cbFreigabe->isChecked());
        QCOMPARE(m_form->runController().state(), RunState::Idle);
        m_lines->replug();
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        QVERIFY(m_form->ui().cbFreigabe->isChecked());
    }

    void lostAfterTheSplitOneKeyBringsTheFinishBack() {
        RunController& c = m_form->runController();
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        m_counter = 1'000'000'000;
        m_lines->setInputs(TIOCM_DSR); // L1
        QTRY_COMPARE(c.state(), RunState::RunningSplitPending);
        QTest::keyClick(m_form.get(), Qt::Key_F6);
        QTRY_VERIFY(m_lines->outputs() & TIOCM_RTS); // reopened: L3 and L4 have power
        m_lines->pullAdapter();
        QTRY_VERIFY(!m_lines->isOpen());
        QVERIFY(!m_form->ui().cbFreigabe->isChecked());
        m_lines->replug();
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        QVERIFY(m_lines->outputs() & TIOCM_RTS);
        m_counter = 6'000'000'000;
        m_lines->setInputs(TIOCM_DSR | TIOCM_RNG); // L4 goes active: with Alg 0 it rests there...
        QTest::qWait(5);
        m_lines->setInputs(TIOCM_DSR); // ...and its beam breaks
        QTRY_COMPARE(c.state(), RunState::Finished);
        QCOMPARE(m_form->ui().SortGrid1->gridData().cell(colZeit, 1), QStringLiteral("5,000"));
    }

    void failedOpenIsShownAndOneKeyTriesAgain_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("no such device") << ENOENT
                                        << "COM17 (ttyUSB0): Unable to open com port: No such file or directory";
        QTest::newRow("not in dialout") << EACCES
                                        << "COM17 (ttyUSB0): Keine Berechtigung für /dev/ttyUSB0. Der Benutzer muss "
                                           "zur Gruppe dialout gehören.";
    }
    void failedOpenIsShownAndOneKeyTriesAgain() {
        QFETCH(int, error);
        QFETCH(QString, text);
        const StatusPanels* status = m_form->ui().StatusBar1;
        m_lines->failNext(QStringLiteral("open"), error);
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(!m_lines->isOpen());
        QCOMPARE(status->panelText(2), QStringLiteral("Bahn nicht freigegeben – ") + text);
        QVERIFY(!m_form->ui().cbFreigabe->isChecked());
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        QVERIFY(m_form->ui().cbFreigabe->isChecked());
        QVERIFY(!status->panelText(2).contains(QStringLiteral("Bahn nicht freigegeben")));

        // The reopen after the split fails likewise, and says so.
        RunController& c = m_form->runController();
        m_counter = 1'000'000'000;
        m_lines->setInputs(TIOCM_DSR);
        QTRY_COMPARE(c.state(), RunState::RunningSplitPending);
        m_lines->failNext(QStringLiteral("open"), error);
        QTest::keyClick(m_form.get(), Qt::Key_F6);
        QTRY_COMPARE(status->panelText(2), QStringLiteral("Bahn nicht freigegeben – ") + text);
        QVERIFY(!m_form->ui().cbFreigabe->isChecked());
        QCOMPARE(c.state(), RunState::RunningSplitTaken);
    }

    void raceOnABuiltInPort_data() {
        QTest::addColumn<int>("finishLevel");
        QTest::newRow("L4 counts at OFF (RING going idle)") << 0;
        QTest::newRow("L4 counts at ON (RING going active)") << 1;
    }
    void raceOnABuiltInPort() {
        // A 16550A on a kernel with the serial-base bus: the driver's name is the generic
        // "port", RING counts only going idle.
        QFETCH(int, finishLevel);
        m_form.reset();
        m_lines->setDriver(QStringLiteral("port"));
        m_lines->setUartType(4);
        m_lines->countRingTrailingEdgeOnly();
        m_fixture->addPort(QStringLiteral("ttyS0"));
        QByteArray alg(16, '\0');
        alg[0] = 1; // L1 at ON
        alg[12] = char(finishLevel);
        // Every value read before "Alg", which ends the reading where one is missing.
        m_fixture->storeDesignWindow(1, 0,
                                     {{"FilterInd", 1},
                                      {"Length", 100},
                                      {"Monitor", 0},
                                      {"Title", "Rennen"},
                                      {"LengthF", 10},
                                      {"LengthS", 0},
                                      {"WaitStart", 0},
                                      {"ColSpeed0", 0},
                                      {"ColSpeed1", 0},
                                      {"ManyStart", 1},
                                      {"Param2", 0},
                                      {"ShowPlatz", 1},
                                      {"Alg", alg}});
        // L2 (at OFF) rests active while DTR powers it.
        m_lines->setInputs(TIOCM_CAR);
        createForm();
        RunController& c = m_form->runController();
        QCOMPARE(c.settings().Alg[3], finishLevel);
        const SortGridData& grid = m_form->ui().SortGrid1->gridData();
        constexpr qint64 ms = 1'000'000;
        const qint64 t0 = 10'000 * ms;
        const int ring = finishLevel ? TIOCM_RNG : 0;     // L4 broken
        const int ringRest = finishLevel ? 0 : TIOCM_RNG; // L4 clear, powered

        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        m_counter = t0;
        m_lines->setInputs(TIOCM_CAR | TIOCM_DSR); // L1
        QTRY_COMPARE(c.state(), RunState::RunningSplitPending);
        m_lines->setInputs(TIOCM_CAR);
        // Seconds apart on a track: L1 clears before L2 breaks, not in the same look.
        QTRY_COMPARE(c.lastModemStatus(), quint32(MS_RLSD_ON));
        m_counter = t0 + 2000 * ms;
        m_lines->setInputs(0); // L2
        QTRY_COMPARE(c.state(), RunState::RunningSplitTaken);
        QTRY_VERIFY(m_lines->outputs() & TIOCM_RTS);
        // L3 and L4 at rest once they have power; L4's contact settles 20 ms after the open.
        m_lines->setInputs(TIOCM_CAR | TIOCM_CTS);
        QTest::qWait(20);
        m_lines->setInputs(TIOCM_CAR | TIOCM_CTS | ringRest);
        QTest::qWait(5);

        m_counter = t0 + 4000 * ms;
        m_lines->setInputs(TIOCM_CAR | ringRest); // L3
        QTRY_COMPARE(c.state(), RunState::RunningInTrap);
        m_counter = t0 + 4280 * ms;
        m_lines->setInputs(TIOCM_CAR | ring); // L4
        QTRY_COMPARE(c.state(), RunState::Finished);
        QCOMPARE(c.finishStamp(), t0 + 4280 * ms);
        QCOMPARE(grid.cell(colZeit, 1), QStringLiteral("4,280"));
        QCOMPARE(grid.cell(colVmax, 1), QStringLiteral("128,57"));
        // Once: the beam clearing again changes nothing.
        const int rows = grid.RowCount();
        m_lines->setInputs(TIOCM_CAR | ringRest);
        QTest::qWait(20);
        QCOMPARE(c.state(), RunState::Finished);
        QCOMPARE(grid.RowCount(), rows);
        QCOMPARE(c.finishStamp(), t0 + 4280 * ms);
    }

private:
    std::unique_ptr<FormMainFixture> m_fixture;
    std::shared_ptr<FakeSerialSystem> m_lines;
    std::unique_ptr<TFormMain> m_form;
    std::atomic<qint64> m_counter{1};
};

QTEST_MAIN(TestFormMainPort)
#include "test_form_main_port.moc"
