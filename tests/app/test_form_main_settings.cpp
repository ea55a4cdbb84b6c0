#include "../io/fake_serial_system.h"
#include "form_main_fixture.h"

#include "app/form_main_commands.h"
#include "app/program_windows.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "io/com_errors.h"
#include "io/com_port.h"
#include "io/port_names.h"
#include "io/serial_backends.h"
#include "io/simulated_barrier_box.h"
#include "run/barrier_port.h"
#include "run/run_controller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace {

const QString mainPortOpen = QStringLiteral("OPEN=1 DTR=1 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=1");
const QString boxLetGo = QStringLiteral("OPEN=0 DTR=0 RTS=0 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=0");

// The line picture a row shows: 0 grey, 1 open contact, 2 closed contact.
int shown(const TCfgDialog& dialog, const QLabel* row) {
    for (int entry = 0; entry < 3; ++entry) {
        if (row->pixmap().cacheKey() == dialog.linePicture(entry).cacheKey())
            return entry;
    }
    return -1;
}

void choosePort(TCfgDialog& dialog, const QString& text) {
    const int item = dialog.cbPort->findText(text);
    QVERIFY2(item > 0, qPrintable(text));
    dialog.cbPort->setCurrentIndex(item);
    emit dialog.cbPort->activated(item);
}

} // namespace

// The settings dialog opened from the main window (F2), with the simulated box on COM64 as
// the light barriers, and on its own for the monitor and port lists.
class TestFormMainSettings : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_fixture->storeDesignWindow(64, 0);
    }
    void cleanup() { m_fixture.reset(); }

    // While the dialog is open it holds the box with RTS/CTS instead of the armed main port and
    // its pictures follow the contacts; cancelling changes no setting and gives the port back
    // 50 ms later.
    void liveLinesAndCancel() {
        ProgramWindows windows(m_fixture->environment());
        TFormMain& form = windows.FormMain;
        SimulatedBarrierBox& box = form.barrierBox();
        QVERIFY(FormMainFixture::showActive(&form));
        QTest::keyClick(&form, Qt::Key_F4);
        QCOMPARE(box.statusText(), mainPortOpen);
        const Settings before = form.settings();

        bool checked = false;
        WhenModal<TCfgDialog> answer([&](TCfgDialog* dialog) {
            QCOMPARE(dialog->cbPort->currentText(), QStringLiteral("COM64 (Simulator)"));
            QCOMPARE(box.statusText(), QStringLiteral("OPEN=1 DTR=1 RTS=1 DSR=0 RLSD=0 CTS=0 RING=0 LAMP=0"));
            QCOMPARE(shown(*dialog, dialog->Image1L), 1);
            box.setContact(1, true);
            QTRY_COMPARE(shown(*dialog, dialog->Image1L), 2);
            box.setContact(4, true);
            QTRY_COMPARE(shown(*dialog, dialog->Image4L), 2);
            box.setContact(1, false);
            QTRY_COMPARE(shown(*dialog, dialog->Image1L), 1);
            QCOMPARE(shown(*dialog, dialog->Image2L), 1);
            // Edits that cancelling must throw away.
            dialog->eTitle->setText(QStringLiteral("Anders"));
            dialog->cbAlg2->setCurrentIndex(1);
            dialog->cbPlatz->setChecked(!dialog->cbPlatz->isChecked());
            checked = true;
            dialog->SpeedButton3->click();
        });
        QTest::keyClick(&form, Qt::Key_F2);
        QVERIFY(checked);
        box.setContact(4, false);
        QCOMPARE(shown(windows.CfgDialog, windows.CfgDialog.Image1L), 0);
        QCOMPARE(box.statusText(), boxLetGo);
        QVERIFY(form.barrierPort().isTakeBackPending());
        QTRY_COMPARE(box.statusText(), mainPortOpen);
        QVERIFY(form.settings() == before);
    }

    // F2 and "Abbrechen" on a track that is not armed: the port stays closed, the lamp dark;
    // on an armed track the port comes back without handshaking, the lamp lit.
    void lampOnlyOnAnArmedTrack() {
        ProgramWindows windows(m_fixture->environment());
        TFormMain& form = windows.FormMain;
        SimulatedBarrierBox& box = form.barrierBox();
        WhenModal<TCfgDialog> cancel([&](TCfgDialog* dialog) { dialog->SpeedButton3->click(); });
        form.bCFGClick();
        QVERIFY(!form.barrierPort().isTakeBackPending());
        QTest::qWait(80);
        QCOMPARE(box.statusText(), boxLetGo);
        QCOMPARE(form.runController().lightState(), 0);

        form.commands().mFreigabe1->trigger();
        QCOMPARE(box.statusText(), mainPortOpen);
        WhenModal<TCfgDialog> confirm([&](TCfgDialog* dialog) { dialog->OKBtn->click(); });
        form.bCFGClick();
        QTRY_COMPARE(box.statusText(), mainPortOpen);
        QCOMPARE(form.runController().lightState(), 1);
    }

    // During a run neither F2 nor the gear button opens the dialog: it would take the port.
    void notDuringARun() {
        ProgramWindows windows(m_fixture->environment());
        TFormMain& form = windows.FormMain;
        bool opened = false;
        WhenModal<TCfgDialog> guard([&](TCfgDialog* dialog) {
            opened = true;
            dialog->reject();
        });
        form.commands().mStart->trigger();
        QCOMPARE(form.runController().state(), RunState::RunningSplitPending);
        QVERIFY(!form.ui().bCFG->isEnabled());
        FormMainCommands::clickItem(form.commands().EinstellunGen1);
        QVERIFY(!opened);
        form.commands().mAvaria->trigger();
        QVERIFY(form.commands().EinstellunGen1->isEnabled());
        QVERIFY(form.ui().bCFG->isEnabled());
    }

    // Confirmed edits reach the settings, the run controller, the port and the table; typed
    // letters are dropped and an emptied speed-trap length gives 0.
    void confirmApplies() {
        m_fixture->storeSettings({{"Port", 0}});
        ProgramWindows windows(m_fixture->environment());
        TFormMain& form = windows.FormMain;
        WhenModal<TCfgDialog> answer([&](TCfgDialog* dialog) {
            QCOMPARE(dialog->sfeLen->text(), QStringLiteral("100")); // the first start's preset
            QCOMPARE(dialog->cbPort->currentText(), QStringLiteral("Kein"));
            QCOMPARE(shown(*dialog, dialog->Image1L), 0);
            dialog->sfeLen->clear();
            QTest::keyClicks(dialog->sfeLen, QStringLiteral("2x5-0 "));
            QCOMPARE(dialog->sfeLen->text(), QStringLiteral("250"));
            dialog->seFinalLen->setFocus();
            dialog->seFinalLen->end(false);
            QTest::keyClick(dialog->seFinalLen, Qt::Key_Backspace);
            QTest::keyClick(dialog->seFinalLen, Qt::Key_Backspace);
            QCOMPARE(dialog->seFinalLen->text(), QString());
            dialog->eTitle->setText(QStringLiteral("Bergrennen"));
            dialog->cbPlatz->setChecked(false);
            dialog->cbLsVmax->setChecked(false);
            choosePort(*dialog, QStringLiteral("COM64 (Simulator)"));
            QTRY_COMPARE(shown(*dialog, dialog->Image3L), 1);
            dialog->cbAlg1->setCurrentIndex(0);
            dialog->cbAlg4->setCurrentIndex(1);
            dialog->OKBtn->click();
        });
        form.commands().EinstellunGen1->trigger();
        const Settings& s = form.settings();
        QCOMPARE(s.Length, 250);
        QCOMPARE(s.LengthF, 0);
        QCOMPARE(s.Title, QStringLiteral("Bergrennen"));
        QCOMPARE(windows.FormMonitor2.PanelTitle->text(), s.Title);
        QCOMPARE(s.Port, 64);
        QCOMPARE(s.Alg, (AlgLevels{0, 0, 0, 1}));
        QCOMPARE(s.Monitor, 0); // one monitor: "nicht angeschlossen"
        {
            // Written at once, not only at a normal end.
            QSettings file(m_fixture->settingsPath(), QSettings::IniFormat);
            QCOMPARE(file.value(QStringLiteral("Title")).toString(), QStringLiteral("Bergrennen"));
            QCOMPARE(file.value(QStringLiteral("Length")).toInt(), 250);
            QCOMPARE(file.value(QStringLiteral("Port")).toInt(), 64);
        }
        QCOMPARE(form.ComPort().Port(), quint8(64));
        QCOMPARE(form.runController().settings().Length, 250);
        QCOMPARE(form.runController().settings().Alg, s.Alg);
        QVERIFY(!form.runController().settings().LuchVmax);
        QCOMPARE(form.ui().SortGrid1->gridData().ColWidth(9), -1); // "Platz" hidden
        // The track was not armed: the chosen port stays closed and the start lamp dark.
        QVERIFY(!form.barrierPort().isTakeBackPending());
        QCOMPARE(form.barrierBox().statusText(), boxLetGo);
    }

    // An emptied track length is refused with a message; the dialog stays open and nothing
    // is applied until it holds a number.
    void emptyTrackLength() {
        ProgramWindows windows(m_fixture->environment());
        TFormMain& form = windows.FormMain;
        QString message;
        bool stayedOpen = false;
        WhenModal<TCfgDialog> answer([&](TCfgDialog* dialog) {
            dialog->sfeLen->clear();
            dialog->eTitle->setText(QStringLiteral("Neu"));
            WhenModal<QMessageBox> refusal([&](QMessageBox* box) {
                message = box->text();
                box->accept();
            });
            dialog->OKBtn->click();
            stayedOpen = dialog->isVisible();
            QCOMPARE(form.settings().Title, QStringLiteral("Tarvolt"));
            QTest::keyClicks(dialog->sfeLen, QStringLiteral("80"));
            dialog->OKBtn->click();
        });
        form.commands().EinstellunGen1->trigger();
        QVERIFY(stayedOpen);
        QVERIFY2(message.contains(QStringLiteral("Streckenlänge")), qPrintable(message));
        QCOMPARE(form.settings().Length, 80);
        QCOMPARE(form.settings().Title, QStringLiteral("Neu"));
    }

    // A stored port that is not there shows as "Kein"; confirming leaves no port and the levels
    // as they were. An adapter plugged in after start is listed at the next opening.
    void missingPortAndLateAdapter() {
        m_fixture->storeSettings({{"Port", 17}});
        ProgramWindows windows(m_fixture->environment());
        TFormMain& form = windows.FormMain;
        WhenModal<TCfgDialog> first([&](TCfgDialog* dialog) {
            QCOMPARE(dialog->cbPort->currentIndex(), 0);
            QCOMPARE(dialog->cbPort->findText(QStringLiteral("COM17 (ttyUSB0)")), -1);
            dialog->cbAlg1->setCurrentIndex(0);
            dialog->OKBtn->click();
        });
        form.bCFGClick();
        QCOMPARE(form.settings().Port, 0);
        QCOMPARE(form.ComPort().Port(), quint8(0));
        QCOMPARE(form.settings().Alg, (AlgLevels{1, 0, 0, 0}));

        m_fixture->addPort(QStringLiteral("ttyUSB0"));
        QStringList items;
        WhenModal<TCfgDialog> second([&](TCfgDialog* dialog) {
            for (int i = 0; i < dialog->cbPort->count(); ++i)
                items << dialog->cbPort->itemText(i);
            dialog->reject();
        });
        form.bCFGClick();
        QCOMPARE(items, QStringList({"Kein", "COM17 (ttyUSB0)", "COM64 (Simulator)"}));
    }

    // A hand-edited port number beyond a byte (320) is no port the program knows: it does
    // not become the simulated box (320 & 0xFF is 64), arming opens nothing, the dialog
    // selects no port, and the number is written back as it was.
    void portBeyondAByteStaysUnknown() {
        m_fixture->storeSettings({{"Port", 320}});
        {
            ProgramWindows windows(m_fixture->environment());
            TFormMain& form = windows.FormMain;
            QCOMPARE(form.settings().Port, 320);
            QVERIFY(form.ComPort().Port() != quint8(simulatorPort));
            FormMainCommands::clickItem(form.commands().mFreigabe1);
            QVERIFY(!form.ComPort().Connected());
            QVERIFY(!form.barrierBox().statusText().startsWith(QStringLiteral("OPEN=1")));
            QVERIFY2(form.ui().StatusBar1->panelText(2).contains(QStringLiteral("COM320: ")),
                     qPrintable(form.ui().StatusBar1->panelText(2)));
            int selected = -1;
            WhenModal<TCfgDialog> look([&](TCfgDialog* dialog) {
                selected = dialog->cbPort->currentIndex();
                dialog->reject();
            });
            form.bCFGClick();
            QCOMPARE(selected, 0);
            form.endWithoutQuestion();
        }
        const QSettings file(m_fixture->settingsPath(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Port")).toInt(), 320);
    }

    // ComPort2 cannot take the main window's port when the dialog opens: the status bar says why.
    void portFailureAtTheOpeningIsShown() {
        m_fixture->addPort(QStringLiteral("ttyUSB0"));
        m_fixture->storeSettings({{"Port", 17}});
        auto lines = std::make_shared<FakeSerialSystem>();
        FormMainEnvironment environment = m_fixture->environment();
        environment.serialLines = lines;
        ProgramWindows windows(environment);
        TFormMain& form = windows.FormMain;
        lines->failNext(QStringLiteral("open"), EBUSY);
        QString shown;
        WhenModal<TCfgDialog> answer([&](TCfgDialog* dialog) {
            shown = form.ui().StatusBar1->panelText(2);
            dialog->reject();
        });
        form.bCFGClick();
        QCOMPARE(shown, QStringLiteral("COM17 (ttyUSB0): Unable to open com port: Device or resource busy"));
    }

    // The dialog on its own: no port at all, a port that refuses to open, and the monitor list
    // from the offscreen platform's two screens (a stored index beyond them picks the first).
    void standalone() {
        FakeSerialSystem lines;
        lines.failNext(QStringLiteral("open"), EACCES, -1);
        SerialBackends backends(&lines, nullptr);
        Settings settings;
        settings.Monitor = 1;
        quint64 ports = 0;
        CfgDialogLinks links{&backends, nullptr, desktopScreens(), [&ports] { return ports; }, QStringLiteral("T"), {},
                             {},        {}};
        TCfgDialog dialog(0, links);
        dialog.fillFromSettings(settings);
        QCOMPARE(dialog.cbPort->count(), 1);
        QVERIFY(!dialog.cbPort->isEnabled());

        QCOMPARE(QGuiApplication::screens().size(), 2);
        dialog.show();
        QCOMPARE(dialog.cbMonitor->count(), 2);
        QCOMPARE(dialog.cbMonitor->itemText(0), QStringLiteral("1  (1920x1080)"));
        QCOMPARE(dialog.cbMonitor->itemText(1), QStringLiteral("2  (1280x1024)"));
        QCOMPARE(dialog.cbMonitor->currentIndex(), 1);
        QVERIFY(dialog.cbMonitor->isEnabled());
        dialog.hide();
        settings.Monitor = 4;
        dialog.fillFromSettings(settings);
        dialog.show();
        QCOMPARE(dialog.cbMonitor->currentIndex(), 0);

        ports = quint64(1) << 16;
        dialog.fillFromSettings(settings);
        QString message;
        {
            WhenModal<QMessageBox> refusal([&](QMessageBox* box) {
                message = box->text();
                box->accept();
            });
            choosePort(dialog, QStringLiteral("COM17 (ttyUSB0)"));
        }
        QVERIFY2(message.contains(QStringLiteral("dialout")), qPrintable(message)); // the port's own text
        QVERIFY(dialog.isVisible());
        QCOMPARE(shown(dialog, dialog.Image2L), 0);
        dialog.reject();
    }

private:
    std::unique_ptr<FormMainFixture> m_fixture;
};

QTEST_MAIN(TestFormMainSettings)
#include "test_form_main_settings.moc"
