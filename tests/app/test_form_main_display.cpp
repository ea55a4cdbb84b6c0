#include "form_main_fixture.h"

#include "app/click_label.h"
#include "app/form_main_commands.h"
#include "app/main_artwork.h"
#include "controls/bgr_color.h"
#include "controls/digit.h"
#include "controls/lb_speed_button.h"
#include "display/display_panel.h"
#include "display/display_state.h"
#include "io/simulated_barrier_box.h"
#include "platform/sound_player.h"
#include "run/run_controller.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>

namespace {

// The digits of one row as "01.05,432", a hidden digit as "_"; the dot and comma stand for the labels.
QString upperRow(const DisplayPanel& p) {
    QString text;
    for (const TDigit* d : {p.Digit10M, p.Digit4})
        text += d->isVisibleTo(&p) ? QString::number(d->Value()) : QStringLiteral("_");
    text += u'.';
    for (const TDigit* d : {p.Digit5, p.Digit6})
        text += d->isVisibleTo(&p) ? QString::number(d->Value()) : QStringLiteral("_");
    text += u',';
    for (const TDigit* d : {p.Digit7, p.Digit8, p.Digit9})
        text += d->isVisibleTo(&p) ? QString::number(d->Value()) : QStringLiteral("_");
    return text;
}

QString lowerRow(const DisplayPanel& p) {
    QString text;
    for (const TDigit* d : {p.Digit1, p.Digit2, p.Digit3})
        text += d->isVisibleTo(&p) ? QString::number(d->Value()) : QStringLiteral("_");
    text += u',';
    for (const TDigit* d : {p.Digit0, p.Digit10, p.Digit20})
        text += d->isVisibleTo(&p) ? QString::number(d->Value()) : QStringLiteral("_");
    return text;
}

const QColor dim = colorFromBgr(DisplayState::dimColour);
const QColor run = colorFromBgr(DisplayState::runColour);

} // namespace

// What the main panel, the barrier icons and the traffic light show, and what is heard.
class TestFormMainDisplay : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        const QString assets = QStringLiteral(TARVOLT_SOUND_FOLDER);
        for (const char* name : {"Ton1-Start.wav", "Ton2.wav", "Ton3-Vmax.wav", "Ton4-Finish.wav"})
            m_fixture->addProgramFile(QString::fromLatin1(name), assets + u'/' + QString::fromLatin1(name));
        m_fixture->storeDesignWindow(64, 1, {{"FilterInd", 1}, {"Length", 100}});
        m_form = std::make_unique<TFormMain>(m_fixture->environment());
        QVERIFY(FormMainFixture::showActive(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
    }

    void startUpLook() {
        const DisplayPanel& p = *m_form->ui().PanelDisplay;
        QCOMPARE(upperRow(p), QStringLiteral("00.00,000"));
        QCOMPARE(lowerRow(p), QStringLiteral("__0,000"));
        QCOMPARE(p.Digit10M->ColorOn(), dim);
        QCOMPARE(p.Digit6->ColorOn(), run);
        QCOMPARE(p.Digit8->ColorOn(), dim);
    }

    void upperPanel_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("lastPlacesDim");
        QTest::newRow("65 432 stopped") << 65432 << false << "01.05,432" << false;
        QTest::newRow("65 432 running") << 65432 << true << "01.05,400" << true;
        QTest::newRow("10 minutes") << 612345 << false << "10.12,345" << false;
    }
    void upperPanel() {
        QFETCH(int, ms);
        QFETCH(bool, running);
        QFETCH(QString, shown);
        QFETCH(bool, lastPlacesDim);
        m_form->displayState().showTime(DisplayState::UpperPanel, ms, running);
        const DisplayPanel& p = *m_form->ui().PanelDisplay;
        QCOMPARE(upperRow(p), shown);
        QCOMPARE(p.Digit10M->ColorOn(), ms >= 600000 ? run : dim);
        QCOMPARE(p.Digit4->ColorOn(), run);
        QCOMPARE(p.LabMin->palette().color(QPalette::WindowText), run); // takes Digit4's colour
        QCOMPARE(p.Digit8->ColorOn(), lastPlacesDim ? dim : run);
        QCOMPARE(p.Digit9->ColorOn(), lastPlacesDim ? dim : run);
    }

    void lowerPanel_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("shown");
        QTest::newRow("5 432") << 5432 << "__5,432";
        QTest::newRow("12 345") << 12345 << "_12,345";
        QTest::newRow("123 456, no wrap at 60 s") << 123456 << "123,456";
    }
    void lowerPanel() {
        QFETCH(int, ms);
        QFETCH(QString, shown);
        m_form->displayState().showTime(DisplayState::LowerPanel, ms);
        QCOMPARE(lowerRow(*m_form->ui().PanelDisplay), shown);
    }

    // A Vmax of 128,57 km/h is the display value 128570 with the thousandths place hidden.
    void speedHidesDigit20() {
        DisplayState& state = m_form->displayState();
        state.showTime(DisplayState::LowerPanel, 128570);
        state.hideDigit20();
        const DisplayPanel& p = *m_form->ui().PanelDisplay;
        QCOMPARE(lowerRow(p), QStringLiteral("128,57_"));
        state.reset();
        QCOMPARE(lowerRow(p), QStringLiteral("__0,000"));
        QCOMPARE(upperRow(p), QStringLiteral("00.00,000"));
        QCOMPARE(p.Digit9->ColorOn(), dim);
    }

    // The icons are shown while a port is chosen; a line the port does not power yet is
    // drawn faint: opening without handshaking powers L1 and L2, the reopen after the split
    // L3 and L4.
    void iconsFollowThePort() {
        const FormMainUi& ui = m_form->ui();
        const auto barriers = barrierPictures();
        const auto shows = [](const ClickLabel* icon, const QPixmap& picture) {
            return icon->isVisible() && icon->pixmap().toImage() == picture.toImage();
        };
        for (ClickLabel* icon : ui.barrierIcons())
            QVERIFY(shows(icon, dimmedPixmap(barriers[0])));
        QTest::keyClick(m_form.get(), Qt::Key_F4); // arm: the port opens without handshaking
        QVERIFY(m_form->barrierBox().lines().open);
        QVERIFY(!m_form->barrierBox().lines().rts);
        QVERIFY(shows(ui.ImageLSstart, barriers[1]));
        QVERIFY(shows(ui.ImageLSreakt, barriers[1]));
        QVERIFY(shows(ui.ImageLSmax, dimmedPixmap(barriers[1])));
        QVERIFY(shows(ui.ImageLSstop, dimmedPixmap(barriers[1])));
        QVERIFY(ui.cbFreigabe->isChecked());
        // F12 before the split is seen: L4 Off, faint.
        QTest::keyClick(m_form.get(), Qt::Key_F12);
        QVERIFY(shows(ui.ImageLSstop, dimmedPixmap(barriers[0])));
        QTest::keyClick(m_form.get(), Qt::Key_F12);

        QTest::keyClick(m_form.get(), Qt::Key_F6); // split, even outside a run: reopen with RTS/CTS
        QTRY_VERIFY(m_form->barrierBox().lines().rts);
        QVERIFY(shows(ui.ImageLSmax, barriers[1]));
        QVERIFY(shows(ui.ImageLSstop, barriers[1]));

        QTest::keyClick(m_form.get(), Qt::Key_F4); // disarm: closed, all faint and Off
        QVERIFY(!m_form->barrierBox().lines().open);
        for (ClickLabel* icon : ui.barrierIcons())
            QVERIFY(shows(icon, dimmedPixmap(barriers[0])));
    }

    void iconPicturesAndLight() {
        const FormMainUi& ui = m_form->ui();
        const auto barriers = barrierPictures();
        const auto lights = lightPictures();
        QCOMPARE(ui.ImageAmpel->pixmap().toImage(), lights[0].toImage());
        QCOMPARE(ui.ImageLSstart->pixmap().toImage(), dimmedPixmap(barriers[0]).toImage());
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QCOMPARE(ui.ImageAmpel->pixmap().toImage(), lights[1].toImage()); // green while armed
        QCOMPARE(ui.ImageLSstart->pixmap().toImage(), barriers[1].toImage());
        // F11 turns what the icon shows: On goes Off and back.
        QTest::keyClick(m_form.get(), Qt::Key_F11);
        QCOMPARE(ui.ImageLSstart->pixmap().toImage(), barriers[0].toImage());
        QTest::keyClick(m_form.get(), Qt::Key_F11);
        QCOMPARE(ui.ImageLSstart->pixmap().toImage(), barriers[1].toImage());
        QTest::mouseClick(ui.ImageAmpel, Qt::LeftButton); // the light by hand
        QCOMPARE(ui.ImageAmpel->pixmap().toImage(), lights[0].toImage());
        QVERIFY(!ui.LabelError->isVisible());
    }

    // A run by keys: the run buttons and items open and close as the run goes, and
    // the clock moves the upper panel.
    void runByKeys() {
        const FormMainUi& ui = m_form->ui();
        QSignalSpy sounds(&m_form->sounds(), &SoundPlayer::started);
        QVERIFY(!m_form->commands().mStop->isEnabled());
        QTest::keyClick(m_form.get(), Qt::Key_F8); // closed: nothing happens
        QCOMPARE(m_form->runController().state(), RunState::Idle);

        QTest::keyClick(m_form.get(), Qt::Key_F5);
        QCOMPARE(m_form->runController().state(), RunState::RunningSplitPending);
        QVERIFY(m_form->commands().mStop->isEnabled());
        QVERIFY(!m_form->commands().mStart->isEnabled());
        QVERIFY(ui.bStop->isEnabled() && ui.bAvaria->isEnabled() && !ui.bStart->isEnabled());
        QVERIFY(!ui.PanelDisplay->editStartN1->isEnabled());
        QCOMPARE(sounds.count(), 1);
        QCOMPARE(sounds.at(0).at(0).toString(), m_form->programFiles().sounds[soundStart]);
        QTRY_VERIFY_WITH_TIMEOUT(ui.PanelDisplay->Digit7->Value() > 0 || ui.PanelDisplay->Digit6->Value() > 0, 5000);
        QCOMPARE(ui.PanelDisplay->Digit9->Value(), 0); // running: the last places stay 0

        QTest::mousePress(ui.bStop, Qt::LeftButton); // FINISH acts on the press
        QCOMPARE(m_form->runController().state(), RunState::Finished);
        QTest::mouseRelease(ui.bStop, Qt::LeftButton);
        QCOMPARE(sounds.count(), 2);
        QVERIFY(ui.bReset->isEnabled());
        QVERIFY(m_form->commands().mReset->isEnabled());

        QTest::keyClick(m_form.get(), Qt::Key_F9);
        QCOMPARE(m_form->runController().state(), RunState::Idle);
        QCOMPARE(upperRow(*ui.PanelDisplay), QStringLiteral("00.00,000"));
    }

    void noSoundWhenOff() {
        Settings edited = m_form->settings(); // as if stored so
        edited.Sound = false;
        m_form->applySettings(edited);
        QSignalSpy sounds(&m_form->sounds(), &SoundPlayer::started);
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        QTest::keyClick(m_form.get(), Qt::Key_F7);
        QTest::keyClick(m_form.get(), Qt::Key_F8);
        QCOMPARE(m_form->runController().state(), RunState::Finished);
        QCOMPARE(sounds.count(), 0);
    }

    void startNumbersReachTheController() {
        DisplayPanel& p = *m_form->ui().PanelDisplay;
        p.editStartN1->setValue(17);
        p.editStartN2->setValue(18);
        QCOMPARE(m_form->runController().editStartN1(), 17);
        QCOMPARE(m_form->displayState().LabStart1(), QStringLiteral(" Start-Nr.:17"));
        QCOMPARE(m_form->displayState().LabNext1(), QStringLiteral("Bereit: 18 "));
    }

private:
    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;
};

QTEST_MAIN(TestFormMainDisplay)
#include "test_form_main_display.moc"
