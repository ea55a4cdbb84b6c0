#include "form_main_fixture.h"

#include "app/program_windows.h"
#include "display/display_panel.h"
#include "io/simulated_barrier_box.h"
#include "platform/sound_player.h"
#include "run/run_controller.h"
#include "settings/file_type_names.h"
#include "settings/save_dialog_filter.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>

// What the main window's creation reads and derives: names, sounds, settings and
// their rules, the port survey and probe, the dialogs' proposals, the title picture.
class TestFormMainStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { m_fixture = std::make_unique<FormMainFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void namesFromTheExecutable() {
        TFormMain form(m_fixture->environment());
        QCOMPARE(form.names().baseName, QStringLiteral("Tarvolt"));
        QCOMPARE(form.windowTitle(), QStringLiteral("2.1 Tarvolt"));
        QCOMPARE(form.programFiles().helpFile,
                 QDir(m_fixture->programFolder()).filePath(QStringLiteral("Tarvolt-Hilfe.html")));
    }

    // An executable named Tarvolt proposes Tarvolt.txt in its own folder.
    void saveDialogProposal_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("Tarvolt") << "Tarvolt"
                                 << "Tarvolt.txt";
        QTest::newRow("Tarvolt.exe") << "Tarvolt.exe"
                                     << "Tarvolt.txt";
        QTest::newRow("renamed") << "Bergrennen"
                                 << "Bergrennen.txt";
    }
    void saveDialogProposal() {
        QFETCH(QString, executable);
        QFETCH(QString, fileName);
        FormMainEnvironment environment = m_fixture->environment();
        environment.executablePath = QDir(m_fixture->programFolder()).filePath(executable);
        m_fixture->storeSettings(
            {{"Left", 10}, {"Top", 10}, {"Width", 850}, {"Height", 572}, {"Sound", 1}, {"Port", 0}, {"FilterInd", 3}});
        TFormMain form(environment);
        const QString folder = m_fixture->programFolder() + u'/';
        QCOMPARE(form.SaveDialog1().FileName, fileName);
        QCOMPARE(form.SaveDialog1().InitialDir, folder);
        QCOMPARE(form.OpenDialog1().InitialDir, folder);
        QCOMPARE(form.SaveDialog1().FilterIndex, 3);
        QCOMPARE(form.SaveDialog1().Filter, saveDialogFilter(openDialogFilter(), form.fileTypeNames()));
        QCOMPARE(form.OpenDialog1().Filter, openDialogFilter());
    }

    void monitorRule_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("screens");
        QTest::addColumn<int>("monitor");
        QTest::newRow("2 with one screen") << 2 << 1 << 0;
        QTest::newRow("3 with two screens") << 3 << 2 << 0;
        QTest::newRow("1 with two screens") << 1 << 2 << 1;
    }
    void monitorRule() {
        QFETCH(int, stored);
        QFETCH(int, screens);
        QFETCH(int, monitor);
        m_fixture->screens = {QRect(0, 0, 1280, 1024)};
        if (screens == 2)
            m_fixture->screens.append(QRect(1280, 0, 1920, 1080));
        m_fixture->storeDesignWindow(0, 1, {{"FilterInd", 1}, {"Length", 100}, {"Monitor", stored}});
        TFormMain form(m_fixture->environment());
        QCOMPARE(form.settings().Monitor, monitor);
    }

    void storedValuesApplied() {
        m_fixture->storeSettings({{"Left", 40},
                                  {"Top", 30},
                                  {"Width", 1000},
                                  {"Height", 700},
                                  {"Sound", 0},
                                  {"Port", 0},
                                  {"FilterInd", 2},
                                  {"Length", 201},
                                  {"Monitor", 0},
                                  {"Title", "Bergrennen"},
                                  {"LengthF", 12},
                                  {"LengthS", 50},
                                  {"WaitStart", 0},
                                  {"ColSpeed0", 0},
                                  {"ColSpeed1", 1},
                                  {"ManyStart", 1},
                                  {"Param2", 2}});
        TFormMain form(m_fixture->environment());
        QCOMPARE(form.pos(), QPoint(40, 30));
        QCOMPARE(form.size(), QSize(1000, 700));
        QCOMPARE(form.ui().PanelDisplay->cbParam2->currentIndex(), 2);
        QCOMPARE(form.runController().cbParam2ItemIndex(), 2);
        QCOMPARE(form.runController().settings().Length, 201);
        QCOMPARE(form.runController().settings().LengthF, 12);
        QVERIFY(!form.sounds().soundOn());
    }

    // A window stored where no screen is any more comes back onto the primary screen.
    void offScreenWindowMovedOntoPrimary() {
        m_fixture->storeSettings({{"Left", 5000}, {"Top", 3000}, {"Width", 850}, {"Height", 572}});
        TFormMain form(m_fixture->environment());
        QVERIFY(QRect(0, 0, 1280, 1024).contains(QRect(form.pos(), form.size())));
    }

    // The settings dialog's creation gives a program without a stored track length 100 m.
    void trackLengthPreset_data() {
        QTest::addColumn<int>("stored"); // -1: none
        QTest::addColumn<int>("length");
        QTest::newRow("none stored") << -1 << 100;
        QTest::newRow("stored 0") << 0 << 100;
        QTest::newRow("stored 250") << 250 << 250;
    }
    void trackLengthPreset() {
        QFETCH(int, stored);
        QFETCH(int, length);
        if (stored >= 0)
            m_fixture->storeDesignWindow(0, 1, {{"FilterInd", 1}, {"Length", stored}});
        ProgramWindows windows(m_fixture->environment());
        QCOMPARE(windows.FormMain.settings().Length, length);
        QCOMPARE(windows.FormMain.runController().settings().Length, length);
        QCOMPARE(windows.CfgDialog.lbl_Long->text(), QStringLiteral("Streckenlänge:"));
    }

    // COM1 is ttyS0 and COM40 is ttyACM7; the simulated box COM64 is always there.
    void portSurveyAndList() {
        m_fixture->addPort(QStringLiteral("ttyS0"));
        m_fixture->addPort(QStringLiteral("ttyACM7"));
        QDir(m_fixture->sysfsRoot()).mkpath(QStringLiteral("class/tty/ttyS1/device")); // no UART: type missing
        ProgramWindows windows(m_fixture->environment());
        const quint64 mask = windows.FormMain.portMask();
        QCOMPARE(mask, (quint64(1) << 0) | (quint64(1) << 39) | (quint64(1) << 63));
        const QComboBox* list = windows.CfgDialog.cbPort;
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->itemText(0), QStringLiteral("Kein"));
        QCOMPARE(list->itemText(1), QStringLiteral("COM1 (ttyS0)"));
        QCOMPARE(list->itemData(1).toInt(), 1);
        QCOMPARE(list->itemText(2), QStringLiteral("COM40 (ttyACM7)"));
        QCOMPARE(list->itemData(3).toInt(), 64);
        QVERIFY(list->isEnabled());
    }

    // The probe opens the port and closes it at once; a port that cannot open is ignored.
    void portProbe_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("boxOpened");
        QTest::newRow("simulated box") << 64 << true;
        QTest::newRow("no device behind it") << 60 << false;
        QTest::newRow("none") << 0 << false;
    }
    void portProbe() {
        QFETCH(int, port);
        QFETCH(bool, boxOpened);
        FormMainEnvironment environment = m_fixture->environment();
        environment.simulatorSocketPath = m_fixture->root.filePath(QStringLiteral("simulator"));
        m_fixture->storeDesignWindow(port, 1);
        TFormMain form(environment);
        // The box makes its command socket the first time a port opens it.
        QCOMPARE(form.barrierBox().isListening(), boxOpened);
        QVERIFY(!form.barrierBox().lines().open);
        // The probe leaves no line powered; the icons show that a port is chosen.
        for (Barrier b : allBarriers) {
            QVERIFY(!form.runController().icon(b).powered);
            QCOMPARE(form.runController().icon(b).visible, port != 0);
        }
        QCOMPARE(form.runController().state(), RunState::Idle);
    }

    void soundsBesideTheExecutable_data() {
        QTest::addColumn<bool>("soundOn");
        QTest::addColumn<bool>("heard");
        QTest::newRow("on") << true << true;
        QTest::newRow("off") << false << false;
    }
    void soundsBesideTheExecutable() {
        QFETCH(bool, soundOn);
        QFETCH(bool, heard);
        const QString assets = QStringLiteral(TARVOLT_SOUND_FOLDER);
        m_fixture->addProgramFile(QStringLiteral("Ton1-Start.wav"), assets + QStringLiteral("/Ton1-Start.wav"));
        m_fixture->storeSettings({{"Left", 0}, {"Top", 0}, {"Width", 850}, {"Height", 572}, {"Sound", int(soundOn)}});
        TFormMain form(m_fixture->environment());
        const ProgramFiles& files = form.programFiles();
        QCOMPARE(files.sounds[soundStart], QDir(m_fixture->programFolder()).filePath(QStringLiteral("Ton1-Start.wav")));
        QVERIFY(files.sounds[soundSplit].isEmpty());
        QVERIFY(files.sounds[soundFinish].isEmpty());
        QSignalSpy started(&form.sounds(), &SoundPlayer::started);
        form.playSound(files.sounds[soundStart]);
        form.playSound(files.sounds[soundSplit]); // missing: nothing, and no failure
        QCOMPARE(started.count(), heard ? 1 : 0);
    }

    void titlePicture_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file
        QTest::addColumn<bool>("shown");
        QTest::newRow("none") << QByteArray() << false;
        QTest::newRow("not a JPEG") << QByteArray("not a picture") << false;
        QTest::newRow("JPEG") << QByteArray("jpeg") << true;
    }
    void titlePicture() {
        QFETCH(QByteArray, content);
        QFETCH(bool, shown);
        const QString logo = QDir(m_fixture->currentFolder()).filePath(QStringLiteral("logo.jpg"));
        if (content == "jpeg") {
            QImage image(64, 48, QImage::Format_RGB32);
            image.fill(Qt::darkBlue);
            QVERIFY(image.save(logo, "JPEG"));
        } else if (!content.isEmpty()) {
            QFile file(logo);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        TFormMain form(m_fixture->environment());
        QCOMPARE(form.ui().ImageTitle->toolTip(), QStringLiteral("logo.jpg"));
        QCOMPARE(!form.ui().ImageTitle->pixmap().isNull(), shown);
    }

private:
    std::unique_ptr<FormMainFixture> m_fixture;
};

QTEST_MAIN(TestFormMainStartup)
#include "test_form_main_startup.moc"
