#include "form_main_fixture.h"

#include "app/click_label.h"
#include "app/program_windows.h"
#include "controls/digit.h"
#include "display/display_panel.h"
#include "io/simulated_barrier_box.h"
#include "run/run_controller.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QScreen>
#include <QSpinBox>
#include <QWindow>

#include <atomic>

#ifdef TARVOLT_OFFSCREEN_SCREENS
#include <qpa/qplatformnativeinterface.h>
#endif

namespace {

constexpr qint64 nsPerMs = 1'000'000;
const QRect officialScreen(0, 0, 1280, 1024);
const QRect spectatorScreen(1280, 0, 1920, 1080);

// Attaches the given monitors in place of the present ones; false where the platform cannot.
bool attachScreens(const QList<QRect>& screens) {
#ifdef TARVOLT_OFFSCREEN_SCREENS
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    using SetConfiguration = void (*)(const QJsonObject&, QPlatformNativeInterface*);
    auto set = reinterpret_cast<SetConfiguration>(native->nativeResourceForIntegration("setConfiguration"));
    if (!set)
        return false;
    QJsonArray list;
    int n = 0;
    for (const QRect& r : screens)
        list.append(QJsonObject{{"name", QStringLiteral("screen%1").arg(n++)},
                                {"x", r.x()},
                                {"y", r.y()},
                                {"width", r.width()},
                                {"height", r.height()},
                                {"logicalDpi", 96},
                                {"logicalBpp", 32},
                                {"dpr", 1}});
    set(QJsonObject{{"screens", list}}, native);
    return QGuiApplication::screens().size() == screens.size();
#else
    Q_UNUSED(screens);
    return false;
#endif
}

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

// The spectator window of the running program on the second of two monitors.
class TestFormMonitor2 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::screens().size(), 2); }

    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_fixture->storeSettings({{"Left", 0},
                                  {"Top", 0},
                                  {"Width", 850},
                                  {"Height", 572},
                                  {"Sound", 0},
                                  {"Port", 64},
                                  {"FilterInd", 1},
                                  {"Length", 100},
                                  {"Monitor", 1},
                                  {"Title", "Bergrennen"}});
        FormMainEnvironment environment = m_fixture->environment();
        environment.screens = desktopScreens();
        environment.performanceCounter = [this] { return m_counter.load(); };
        m_windows = std::make_unique<ProgramWindows>(environment);
        QVERIFY(FormMainFixture::showActive(&main()));
    }
    void cleanup() {
        m_windows.reset();
        m_fixture.reset();
    }

    void layoutFillsTheSpectatorMonitor() {
        TFormMonitor2& m = monitor();
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        QCOMPARE(m.geometry(), spectatorScreen);
        QCOMPARE(m.screen()->geometry(), spectatorScreen);
        QCOMPARE(m.PanelTitle->text(), QStringLiteral("Bergrennen"));
        QVERIFY(qAbs(m.ScaleX() - 4.729) < 0.001);
        QCOMPARE(m.ScaleY(), m.ScaleX());
        QCOMPARE(m.ScaleRect(QRect(52, 52, 45, 89)).x(), 246);

        // Caption font 14 scaled: size 60, 80 pixels; the lines 104 high, the title 92.
        QCOMPARE(m.PanelLab1->font().pixelSize(), 80);
        QCOMPARE(m.LabStart1->font().pixelSize(), 80);
        QCOMPARE(m.PanelTitle->geometry(), QRect(0, 0, 1920, 92));
        QCOMPARE(m.PanelLab1->geometry(), QRect(0, 92, 1920, 104));
        // (1080 - 92 - 3 * 104) / 2 = 338 for each row; the lower row ends 52 above the bottom.
        QCOMPARE(m.Digit4->geometry(), QRect(246, 196, 213, 338));
        QCOMPARE(m.Digit4->Thickness(), 24);
        QCOMPARE(m.Digit0->geometry().top(), 1080 - 338 - 52);
        QCOMPARE(m.PanelLab2->geometry(), QRect(0, 1080 - 338 - 52 - 104, 1920, 104));
        // The separators sit on the upper row's foot, the lower one as far from its row.
        const QRect labMin = m.LabMin->geometry();
        QCOMPARE(labMin.top(), 196 + 338 - labMin.height() * 73 / 100);
        QCOMPARE(m.LabSec->geometry().top(), labMin.top());
        QCOMPARE(m.LabSec2->geometry().top() - m.Digit0->geometry().top(), labMin.top() - 196);
        QCOMPARE(m.LabMin->font().pixelSize(), fontPixels(227)); // 48 x 4.729

        // Every digit sits where the main window's digit of the same name sits, scaled.
        const DisplayDigits mainDigits = main().ui().PanelDisplay->displayDigits();
        const DisplayDigits spectator = m.displayDigits();
        for (int i = 0; i < digitCount; ++i) {
            const QRect source = mainDigits.digits[std::size_t(i)]->geometry();
            const QRect shown = spectator.digits[std::size_t(i)]->geometry();
            QCOMPARE(shown.x(), m.ScaleRect(source).x());
            QCOMPARE(shown.width(), m.ScaleRect(source).width());
            QCOMPARE(shown.height(), 338);
        }
        QCOMPARE(m.cursor().shape(), Qt::BlankCursor);
    }

    // Ctrl+T and the two pictures show and close the window; ImageTVEin shows while it is up.
    void picturesAndKeyToggleTheWindow() {
        TFormMonitor2& m = monitor();
        const FormMainUi& ui = main().ui();
        QVERIFY(!ui.ImageTVEin->isVisible());
        QTest::mouseClick(ui.ImageTVAus, Qt::LeftButton);
        QVERIFY(m.isVisible());
        QVERIFY(ui.ImageTVEin->isVisible());
        QTest::mouseClick(ui.ImageTVEin, Qt::LeftButton);
        QVERIFY(!m.isVisible());
        QVERIFY(!ui.ImageTVEin->isVisible());
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        // Escape is ignored on the spectators' own monitor.
        QTest::keyClick(&m, Qt::Key_Escape);
        QVERIFY(m.isVisible());
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(!m.isVisible());
        QVERIFY(!ui.ImageTVEin->isVisible());
    }

    // A change in the settings moves the shown window at once; Escape works on the primary monitor.
    void settingsMoveTheShownWindow() {
        TFormMonitor2& m = monitor();
        m.show();
        Settings edited = main().settings();
        edited.Monitor = 0;
        edited.Title = QStringLiteral("Sprint");
        main().applySettings(edited);
        QCOMPARE(m.geometry(), officialScreen);
        QCOMPARE(m.PanelTitle->text(), QStringLiteral("Sprint"));
        QVERIFY(qAbs(m.ScaleX() - 1280.0 / 406) < 1e-9);
        QCOMPARE(m.Digit4->width(), m.ScaleRect(main().ui().PanelDisplay->Digit4->geometry()).width());
        QTest::keyClick(&m, Qt::Key_Escape);
        QVERIFY(!m.isVisible());
        QVERIFY(!main().ui().ImageTVEin->isVisible());

        // A monitor that is not attached puts the window on the primary one.
        edited.Monitor = 5;
        main().applySettings(edited);
        m.show();
        QCOMPARE(m.geometry(), officialScreen);
    }

    // Shown once on the official's monitor, closed, set to the spectators' one and shown again:
    // the native window goes there too, frameless and over the whole monitor.
    void reshownOnTheNewMonitor() {
        TFormMonitor2& m = monitor();
        Settings edited = main().settings();
        edited.Monitor = 0;
        main().applySettings(edited);
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QCOMPARE(m.windowHandle()->screen()->geometry(), officialScreen);
        QTest::keyClick(&m, Qt::Key_Escape);
        QVERIFY(!m.isVisible());

        edited.Monitor = 1;
        main().applySettings(edited);
        // The official's window has the keyboard again, as it had before the window was shown.
        QVERIFY(FormMainFixture::showActive(&main()));
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        // What the windowing system reports later must not move or shrink it.
        QTest::qWait(100);
        QCOMPARE(m.windowHandle()->screen()->geometry(), spectatorScreen);
        QCOMPARE(m.windowHandle()->geometry(), spectatorScreen);
        QCOMPARE(m.frameGeometry(), spectatorScreen);
        QVERIFY(m.windowHandle()->flags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(m.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        // The keyboard stays with the official.
        QVERIFY(m.testAttribute(Qt::WA_ShowWithoutActivating));

        // Moved while shown, there and back.
        for (const auto& [index, bounds] : {std::pair{0, officialScreen}, std::pair{1, spectatorScreen}}) {
            edited.Monitor = index;
            main().applySettings(edited);
            QTest::qWait(100);
            QVERIFY(m.isVisible());
            QCOMPARE(m.windowHandle()->screen()->geometry(), bounds);
            QCOMPARE(m.geometry(), bounds);
            QCOMPARE(m.windowHandle()->geometry(), bounds);
        }
    }

    // Unplugging the spectators' monitor closes the window instead of moving it over the
    // official's; it can be shown again once the monitor is back.
    void unplugClosesTheWindow() {
        TFormMonitor2& m = monitor();
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        if (!attachScreens({officialScreen}))
            QSKIP("the platform cannot detach a monitor");
        QVERIFY(!m.isVisible());
        QVERIFY(!main().ui().ImageTVEin->isVisible());
        QVERIFY(attachScreens({officialScreen, spectatorScreen}));
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        QCOMPARE(m.geometry(), spectatorScreen);
    }

    // " Start-Nr. " and the number on showing, " Start-Nr.:" and the number on a change.
    void startNumberCaptions() {
        TFormMonitor2& m = monitor();
        DisplayPanel* panel = main().ui().PanelDisplay;
        panel->editStartN1->setValue(7);
        panel->editStartN2->setValue(12);
        m.show();
        QCOMPARE(m.LabStart1->text(), QStringLiteral(" Start-Nr. 7"));
        QCOMPARE(m.LabNext1->text(), QStringLiteral("Bereit: 12 "));
        panel->editStartN1->setValue(9);
        QCOMPARE(m.LabStart1->text(), QStringLiteral(" Start-Nr.:9"));
        panel->editStartN2->setValue(10);
        QCOMPARE(m.LabNext1->text(), QStringLiteral("Bereit: 10 "));
    }

    // A race through the simulated box with the window shown: both windows show the same
    // digits, colours and separators while the clock runs and after the finish.
    void raceMirrorsTheMainPanel() {
        TFormMonitor2& m = monitor();
        RunController& c = main().runController();
        SimulatedBarrierBox& box = main().barrierBox();
        QTest::keyClick(&main(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(m.isVisible());
        QTest::keyClick(&main(), Qt::Key_F4);
        QCOMPARE(c.state(), RunState::Armed);

        const qint64 t0 = 10'000 * nsPerMs;
        m_counter = t0;
        box.setContact(1, true);
        QTRY_COMPARE(c.state(), RunState::RunningSplitPending);
        box.setContact(1, false);
        m_counter = t0 + 61'234 * nsPerMs;
        QTRY_COMPARE(main().ui().PanelDisplay->Digit4->Value(), 1);
        compareWindows();
        QCOMPARE(m.Digit8->ColorOn(), QColor(64, 64, 64));

        box.setContact(2, true);
        QTRY_COMPARE(c.lastModemStatus(), MS_RLSD_ON);
        m_counter = t0 + 62'345 * nsPerMs;
        box.setContact(2, false);
        QTRY_COMPARE(c.state(), RunState::RunningSplitTaken);
        QCOMPARE(m.LabelTime2->text(), QStringLiteral(" Zwischen Zeit:"));
        QTRY_VERIFY(!c.isLockoutRunning());
        QTRY_COMPARE(box.statusText().contains(QStringLiteral("RTS=1")), true);

        box.setContact(4, true);
        QTRY_COMPARE(c.lastModemStatus(), MS_RING_ON);
        m_counter = t0 + 65'432 * nsPerMs;
        box.setContact(4, false);
        QTRY_COMPARE(c.state(), RunState::Finished);
        compareWindows();
        const QString upper = QString::number(m.Digit10M->Value()) + QString::number(m.Digit4->Value()) +
                              QString::number(m.Digit5->Value()) + QString::number(m.Digit6->Value()) +
                              QString::number(m.Digit7->Value()) + QString::number(m.Digit8->Value()) +
                              QString::number(m.Digit9->Value());
        QCOMPARE(upper, QStringLiteral("0105432"));
        QCOMPARE(m.Digit9->ColorOn(), QColor(0, 255, 0));
        // No trap time: the average speed, with its own caption.
        QCOMPARE(m.LabelTime2->text(), QStringLiteral(" Durchschnittsgeschwindigkeit:"));
        QVERIFY(!m.Digit20->isVisibleTo(m.PanelTimer));

        QTest::keyClick(&main(), Qt::Key_F9);
        compareWindows();
        QCOMPARE(m.LabelTime2->text(), QString());
        QVERIFY(m.Digit20->isVisibleTo(m.PanelTimer));
    }

private:
    TFormMain& main() { return m_windows->FormMain; }
    TFormMonitor2& monitor() { return m_windows->FormMonitor2; }

    void compareWindows() {
        const DisplayDigits a = main().ui().PanelDisplay->displayDigits();
        const DisplayDigits b = monitor().displayDigits();
        for (int i = 0; i < digitCount; ++i) {
            const TDigit* x = a.digits[std::size_t(i)];
            const TDigit* y = b.digits[std::size_t(i)];
            QCOMPARE(y->Value(), x->Value());
            QCOMPARE(y->ColorOn(), x->ColorOn());
            QCOMPARE(y->isVisibleTo(y->parentWidget()), x->isVisibleTo(x->parentWidget()));
        }
        QCOMPARE(textColour(b.LabMin), textColour(a.LabMin));
        QCOMPARE(textColour(b.LabSec), textColour(a.LabSec));
        QCOMPARE(textColour(b.LabSec2), textColour(a.LabSec2));
    }

    std::atomic<qint64> m_counter{1};
    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<ProgramWindows> m_windows;
};

QTEST_MAIN(TestFormMonitor2)
#include "test_form_monitor2.moc"
