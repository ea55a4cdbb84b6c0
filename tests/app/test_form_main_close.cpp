#include "form_main_fixture.h"

#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "display/display_panel.h"
#include "platform/termination_signals.h"
#include "protocol/protocol_table.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <csignal>

// How the main window ends: the close question, what is written on yes, and the
// termination signals that end it the same way without asking.
class TestFormMainClose : public QObject {
    Q_OBJECT

private slots:
    // Whoever started the test may have left these ignored (a background job, nohup).
    void initTestCase() {
        for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction action = {};
            ::sigaction(signalNumber, nullptr, &action);
            if (action.sa_handler == SIG_IGN)
                ::signal(signalNumber, SIG_DFL);
        }
    }
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_form = std::make_unique<TFormMain>(m_fixture->environment());
        m_yesNo = std::make_unique<TFDlgYesNo>(QStringLiteral("Tarvolt"), m_form.get());
        m_form->attachLaterWindows({nullptr, m_yesNo.get(), nullptr, nullptr});
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void cleanup() {
        m_yesNo.reset();
        m_form.reset();
        m_fixture.reset();
    }

    void decliningChangesNothing() {
        DisplayPanel* panel = m_form->ui().PanelDisplay;
        panel->cbParam2->setCurrentIndex(2);
        panel->editStartN1->setValue(7);
        QSignalSpy ended(m_form.get(), &TFormMain::programEnded);
        QString question;
        WhenModal<TFDlgYesNo> answerNo([&](TFDlgYesNo* dialog) {
            question = dialog->Label1->text();
            QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
        });
        QVERIFY(!m_form->close());
        QCOMPARE(question, QStringLiteral("Programm beenden?"));
        QVERIFY(m_form->isVisible());
        QCOMPARE(ended.count(), 0);
        QVERIFY(!QFile::exists(m_fixture->settingsPath()));
        QCOMPARE(panel->cbParam2->currentIndex(), 2);
        QCOMPARE(panel->editStartN1->value(), 7);
        QVERIFY(m_form->TimerDate().isActive());

        // And it can still be closed afterwards.
        WhenModal<TFDlgYesNo> answerYes([](TFDlgYesNo* dialog) { QTest::mouseClick(dialog->OKBtn, Qt::LeftButton); });
        QVERIFY(m_form->close());
        QCOMPARE(ended.count(), 1);
    }

    void yesWritesTheSettings() {
        m_form->ui().PanelDisplay->cbParam2->setCurrentIndex(1);
        m_form->resize(900, 600);
        Settings edited = m_form->settings();
        edited.LengthF = 12;
        m_form->applySettings(edited);
        QSignalSpy ended(m_form.get(), &TFormMain::programEnded);
        WhenModal<TFDlgYesNo> answer([](TFDlgYesNo* dialog) { QTest::mouseClick(dialog->OKBtn, Qt::LeftButton); });
        QVERIFY(m_form->close());
        QCOMPARE(ended.count(), 1);
        QVERIFY(!m_form->isVisible());
        QVERIFY(!m_form->TimerDate().isActive());
        QSettings file(m_fixture->settingsPath(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Param2")).toInt(), 1);
        QCOMPARE(file.value(QStringLiteral("Width")).toInt(), 900);
        QCOMPARE(file.value(QStringLiteral("Height")).toInt(), 600);
        QCOMPARE(file.value(QStringLiteral("LengthF")).toInt(), 12);
        QCOMPARE(file.value(QStringLiteral("FilterInd")).toInt(), 1);
        QCOMPARE(file.value(QStringLiteral("NameZwZeit")).toString(), QStringLiteral("Zw.Zeit"));
    }

    void failedSettingsWriteIsShown() {
        // The settings folder cannot be made: a file is in its way.
        QFile blocker(m_fixture->root.filePath(QStringLiteral("config")));
        QDir(m_fixture->root.filePath(QStringLiteral("config"))).removeRecursively();
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        WhenModal<TFDlgYesNo> answer([](TFDlgYesNo* dialog) { QTest::mouseClick(dialog->OKBtn, Qt::LeftButton); });
        QString shown;
        WhenModal<QMessageBox> acknowledge([&](QMessageBox* box) {
            shown = box->text();
            box->accept();
        });
        QVERIFY(m_form->close());
        QVERIFY(!shown.isEmpty());
    }

    void terminationSignalEndsWithoutQuestion_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void terminationSignalEndsWithoutQuestion() {
        QFETCH(int, signalNumber);
        TerminationSignals signals_;
        connect(&signals_, &TerminationSignals::terminationRequested, m_form.get(), &TFormMain::endWithoutQuestion);
        m_form->ui().PanelDisplay->cbParam2->setCurrentIndex(2);
        // A name being typed when the signal comes is in the backup.
        TSortGrid* grid = m_form->ui().SortGrid1;
        grid->gridData().setCell(colNr, 1, QStringLiteral("4"));
        m_form->activateWindow();
        QVERIFY(FormMainFixture::waitUntilActive(m_form.get()));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(colName, 1).center());
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(grid->isEditing());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Meier"));
        QSignalSpy ended(m_form.get(), &TFormMain::programEnded);
        bool asked = false;
        WhenModal<TFDlgYesNo> answer([&](TFDlgYesNo* dialog) {
            asked = true;
            dialog->reject();
        });
        ::raise(signalNumber);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 5000);
        QVERIFY(!asked);
        QVERIFY(!m_form->isVisible());
        QSettings file(m_fixture->settingsPath(), QSettings::IniFormat);
        QCOMPARE(file.value(QStringLiteral("Param2")).toInt(), 2);
        QFile backup(QDir(m_fixture->programFolder()).filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt")));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QVERIFY(backup.readAll().contains("4\tMeier\t"));
    }

    // A signal while the question is up ends the program all the same.
    void signalWhileAsking() {
        TerminationSignals signals_;
        connect(&signals_, &TerminationSignals::terminationRequested, m_form.get(), &TFormMain::endWithoutQuestion);
        QSignalSpy ended(m_form.get(), &TFormMain::programEnded);
        WhenModal<TFDlgYesNo> signalWhileUp([](TFDlgYesNo*) { ::raise(SIGTERM); });
        m_form->close();
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 5000);
        QVERIFY(!m_yesNo->isVisible());
        QVERIFY(QFile::exists(m_fixture->settingsPath()));
        // A second signal finds everything done.
        m_form->endWithoutQuestion();
        QCOMPARE(ended.count(), 1);
    }

private:
    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;
    std::unique_ptr<TFDlgYesNo> m_yesNo;
};

QTEST_MAIN(TestFormMainClose)
#include "test_form_main_close.moc"
