#include "form_main_fixture.h"

#include "../io/fake_serial_system.h"
#include "app/status_panels.h"
#include "controls/sort_grid.h"
#include "io/com_port.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

#include "app/click_label.h"
#include <QLocale>

#include <atomic>

// The main window's barrier port on COM17, a fake USB adapter that the test pulls out and
// plugs in again.
class TestFormMainPort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_fixture->addPort(QStringLiteral("ttyUSB0"));
        m_fixture->storeDesignWindow(17, 0, {{"FilterInd", 1}, {"Length", 100}});
        FormMainEnvironment environment = m_fixture->environment();
        m_lines = std::make_shared<FakeSerialSystem>();
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

private:
    std::unique_ptr<FormMainFixture> m_fixture;
    std::shared_ptr<FakeSerialSystem> m_lines;
    std::unique_ptr<TFormMain> m_form;
    std::atomic<qint64> m_counter{1};
};

QTEST_MAIN(TestFormMainPort)
#include "test_form_main_port.moc"
