// The journal entries the main window writes on its own when the port goes or the settings
// change: a USB adapter pulled during a run, and the settings dialog confirmed or cancelled.

#include "../io/fake_serial_system.h"
#include "form_main_fixture.h"

#include "app/program_windows.h"
#include "controls/sort_grid.h"
#include "dialogs/cfg_dialog.h"
#include "io/com_port.h"
#include "journal/journal.h"
#include "journal/journal_reader.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <atomic>

namespace {

QList<JournalRecord> entriesOfKind(const QList<JournalRecord>& all, JournalKind kind) {
    QList<JournalRecord> found;
    std::copy_if(all.begin(), all.end(), std::back_inserter(found),
                 [kind](const JournalRecord& r) { return r.entry.kind == kind; });
    return found;
}

qsizetype indexOfKind(const QList<JournalRecord>& all, JournalKind kind) {
    const auto it =
        std::find_if(all.begin(), all.end(), [kind](const JournalRecord& r) { return r.entry.kind == kind; });
    return it == all.end() ? -1 : it - all.begin();
}

} // namespace

class TestFormMainJournalEvents : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void init() { m_fixture = std::make_unique<FormMainFixture>(); }
    void cleanup() {
        m_windows.reset();
        m_fixture.reset();
        m_lines.reset();
    }

    // The adapter pulled after the start: one "port lost" entry naming the port, between the
    // run's start and its finish by key, which is journaled as usual.
    void portLostDuringARun() {
        m_fixture->addPort(QStringLiteral("ttyUSB0"));
        m_fixture->storeDesignWindow(17, 0, {{"FilterInd", 1}, {"Length", 100}});
        m_lines = std::make_shared<FakeSerialSystem>();
        createWindows();
        TFormMain& form = m_windows->FormMain;
        RunController& c = form.runController();

        QTest::keyClick(&form, Qt::Key_F4);
        QVERIFY(m_lines->isOpen());
        m_counter = 1'000'000'000;
        QTest::keyClick(&form, Qt::Key_F5);
        QCOMPARE(c.state(), RunState::RunningSplitPending);
        m_lines->pullAdapter();
        QTRY_VERIFY_WITH_TIMEOUT(!form.ComPort().Connected(), 5000);
        m_counter = 6'000'000'000;
        QTest::keyClick(&form, Qt::Key_F8);
        QCOMPARE(c.state(), RunState::Finished);
        QCOMPARE(form.ui().SortGrid1->gridData().cell(colZeit, 1), QStringLiteral("5,000"));

        const QList<JournalRecord> all = writtenEntries();
        const QList<JournalRecord> lost = entriesOfKind(all, JournalKind::PortLost);
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.at(0).entry.source, QStringLiteral("COM17 (ttyUSB0)"));
        QCOMPARE(lost.at(0).entry.detail.value(QStringLiteral("text")).toString(),
                 QStringLiteral("Verbindung zu COM17 (ttyUSB0) unterbrochen"));
        const qsizetype lostAt = indexOfKind(all, JournalKind::PortLost);
        QVERIFY(indexOfKind(all, JournalKind::PortOpened) < lostAt);
        QVERIFY(indexOfKind(all, JournalKind::RunStart) >= 0);
        QVERIFY(indexOfKind(all, JournalKind::RunStart) < lostAt);
        QVERIFY(indexOfKind(all, JournalKind::RunFinish) > lostAt);
        QCOMPARE(entriesOfKind(all, JournalKind::PortOpened).at(0).entry.source, QStringLiteral("COM17 (ttyUSB0)"));
    }

    // OK with changed fields: one entry with each changed value before and after, and only
    // those; OK with nothing changed and "Abbrechen" after edits leave none.
    void settingsConfirmedAndCancelled() {
        m_fixture->storeEveryValue(0, {});
        createWindows();
        TFormMain& form = m_windows->FormMain;

        WhenModal<TCfgDialog> confirm([](TCfgDialog* dialog) {
            dialog->eTitle->setText(QStringLiteral("Bergrennen"));
            dialog->sfeLen->setText(QStringLiteral("120"));
            dialog->cbPlatz->setChecked(false);
            QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
        });
        QTest::keyClick(&form, Qt::Key_F2);
        QCOMPARE(form.settings().Title, QStringLiteral("Bergrennen"));

        WhenModal<TCfgDialog> unchanged([](TCfgDialog* dialog) { QTest::mouseClick(dialog->OKBtn, Qt::LeftButton); });
        activateMain();
        QTest::keyClick(&form, Qt::Key_F2);

        WhenModal<TCfgDialog> cancel([](TCfgDialog* dialog) {
            dialog->eTitle->setText(QStringLiteral("Verworfen"));
            dialog->sfeLen->setText(QStringLiteral("400"));
            QTest::mouseClick(dialog->SpeedButton3, Qt::LeftButton);
        });
        activateMain();
        QTest::keyClick(&form, Qt::Key_F2);
        QCOMPARE(form.settings().Title, QStringLiteral("Bergrennen"));
        QCOMPARE(form.settings().Length, 120);

        const QList<JournalRecord> changed = entriesOfKind(writtenEntries(), JournalKind::SettingsChanged);
        QCOMPARE(changed.size(), 1);
        const QJsonObject values = changed.at(0).entry.detail.value(QStringLiteral("changed")).toObject();
        QCOMPARE(values.keys(), (QStringList{"Length", "ShowPlatz", "Title"}));
        QCOMPARE(values.value(QStringLiteral("Title")).toArray(), (QJsonArray{"Rennen", "Bergrennen"}));
        QCOMPARE(values.value(QStringLiteral("Length")).toArray(), (QJsonArray{100, 120}));
        QCOMPARE(values.value(QStringLiteral("ShowPlatz")).toArray(), (QJsonArray{true, false}));
    }

    // A track length the dialog refuses: the official corrects it and confirms again; the
    // entry holds the corrected value once.
    void refusedLengthThenConfirmed() {
        m_fixture->storeEveryValue(0, {});
        createWindows();
        TFormMain& form = m_windows->FormMain;
        QString refusal;
        WhenModal<QMessageBox> answer([&refusal](QMessageBox* box) {
            refusal = box->text();
            box->done(QMessageBox::Ok);
        });
        WhenModal<TCfgDialog> confirm([](TCfgDialog* dialog) {
            dialog->sfeLen->setText(QStringLiteral("1a0"));
            // Returns once the refusal's message box is answered; the dialog stays open.
            QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
            QVERIFY(dialog->isVisible());
            dialog->sfeLen->setText(QStringLiteral("150"));
            QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
        });
        QTest::keyClick(&form, Qt::Key_F2);
        QCOMPARE(refusal, QStringLiteral("'1a0' ist keine gültige Zahl für die Streckenlänge."));
        QCOMPARE(form.settings().Length, 150);
        const QList<JournalRecord> changed = entriesOfKind(writtenEntries(), JournalKind::SettingsChanged);
        QCOMPARE(changed.size(), 1);
        const QJsonObject values = changed.at(0).entry.detail.value(QStringLiteral("changed")).toObject();
        QCOMPARE(values.keys(), QStringList{"Length"});
        QCOMPARE(values.value(QStringLiteral("Length")).toArray(), (QJsonArray{100, 150}));
    }

private:
    QString journalPath() const {
        return QDir(m_fixture->dataFolder()).filePath(QStringLiteral("Tarvolt-Journal.sqlite"));
    }
    void createWindows() {
        FormMainEnvironment environment = m_fixture->environment();
        environment.journalPath = journalPath();
        if (m_lines)
            environment.serialLines = m_lines;
        environment.performanceCounter = [this] { return m_counter.load(); };
        m_windows = std::make_unique<ProgramWindows>(environment);
        QVERIFY(FormMainFixture::showActive(&m_windows->FormMain));
    }
    // As the official would: the main window active again after a dialog, then the key.
    void activateMain() {
        m_windows->FormMain.activateWindow();
        QVERIFY(FormMainFixture::waitUntilActive(&m_windows->FormMain));
    }
    // Every entry, once the writer thread has written what was queued.
    QList<JournalRecord> writtenEntries() {
        Journal* journal = m_windows->FormMain.journal();
        if (!journal || !journal->writer().waitForQueue(5000)) {
            QTest::qFail("the journal did not write its queue in time", __FILE__, __LINE__);
            return {};
        }
        return JournalReader(journalPath()).allEntries();
    }

    std::atomic<qint64> m_counter{1};
    std::shared_ptr<FakeSerialSystem> m_lines;
    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<ProgramWindows> m_windows;
};

QTEST_MAIN(TestFormMainJournalEvents)
#include "test_form_main_journal_events.moc"
