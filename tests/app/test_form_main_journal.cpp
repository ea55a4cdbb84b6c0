#include "fake_file_dialogs.h"
#include "form_main_fixture.h"

#include "app/form_main_commands.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "display/display_panel.h"
#include "journal/form_journal.h"
#include "journal/journal.h"
#include "journal/journal_models.h"
#include "journal/journal_reader.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"
#include "standings/standings_window.h"

#include <QAction>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>

// The journal seen from the main window: what the official's steps and the runs leave in
// it, and the "Verlauf" window that brings a cleared or shortened protocol back.
class TestFormMainJournal : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        createWindow();
    }
    void cleanup() {
        m_yesNo.reset();
        m_form.reset();
        m_fixture.reset();
    }

    void clearThenRestoreGivesTheSameRows() {
        QStringList lines;
        for (int i = 1; i <= 50; ++i)
            lines << QStringLiteral("%1|Fahrer %1|Golf|Klasse %2|2,%3|61,12|70,11|0,513|5,%3|%1")
                         .arg(i)
                         .arg(i % 3)
                         .arg(100 + i);
        setRows(lines);
        const QList<QStringList> before = rows();

        WhenModal<TFDlgYesNo> clearing([](TFDlgYesNo* d) { QTest::mouseClick(d->OKBtn, Qt::LeftButton); });
        QTest::keyClick(m_form.get(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(data().RowCount(), 2);

        QString question;
        int listed = -1;
        int shownRows = -1;
        WhenModal<TFDlgYesNo> restoring([&](TFDlgYesNo* d) {
            question = d->Label1->text();
            QTest::mouseClick(d->OKBtn, Qt::LeftButton);
        });
        WhenModal<TFormJournal> window([&](TFormJournal* w) {
            listed = w->states().rowCount();
            shownRows = w->stateRows().rowCount();
            QTest::mouseClick(w->restoreButton(), Qt::LeftButton);
        });
        pressCtrlJ();
        QCOMPARE(listed, 1);
        QCOMPARE(shownRows, 50);
        QVERIFY2(question.startsWith(QStringLiteral("Zeitenprotokoll vom ")), qPrintable(question));
        QVERIFY(question.endsWith(QStringLiteral(" wiederherstellen?")));
        QCOMPARE(rows(), before);
        QVERIFY(m_form->ui().sbCLS->isEnabled());
        QVERIFY(!m_form->ui().StatusBar1->panelText(2).startsWith(QStringLiteral("Verlauf")));

        // The restore is journaled with the table it replaced, so it can be undone the same way.
        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        const JournalReader reader(journalPath());
        const QList<ReplacedState> states = reader.replacedStates();
        // The empty protocol the restore replaced is nothing to get back.
        QCOMPARE(states.size(), 1);
        QCOMPARE(states.at(0).replacedBy, JournalKind::Cleared);
        QCOMPARE(states.at(0).names, QStringLiteral("Fahrer 1, Fahrer 2, Fahrer 3"));
        const QList<JournalRecord> all = reader.allEntries();
        QCOMPARE(all.last().entry.kind, JournalKind::Restored);
        // And the backup is written at once (on its own thread).
        QVERIFY(m_form->waitForBackup(10000));
        QVERIFY(QFileInfo(m_form->backupFile()).isFile());
    }

    void rowRemovedAndRestored() {
        setRows({"1|Anna||||||||5,000|1", "2|Bert||||||||6,000|2", "3|Carla||||||||7,000|3"});
        const QList<QStringList> before = rows();
        data().setRow(2);
        QTest::keyClick(m_form.get(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(data().RowCount(), 3);

        QString replacedBy;
        WhenModal<TFDlgYesNo> yes([](TFDlgYesNo* d) { QTest::mouseClick(d->OKBtn, Qt::LeftButton); });
        WhenModal<TFormJournal> window([&](TFormJournal* w) {
            replacedBy = w->states().data(w->states().index(0, 1)).toString();
            QTest::mouseClick(w->restoreButton(), Qt::LeftButton);
        });
        pressCtrlJ();
        QCOMPARE(replacedBy, QStringLiteral("Zeile entfernt: Nr. 2"));
        QCOMPARE(rows(), before);

        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        const JournalReader reader(journalPath());
        const QList<JournalRecord> all = reader.allEntries();
        const auto removal = std::find_if(
            all.begin(), all.end(), [](const JournalRecord& r) { return r.entry.kind == JournalKind::RowRemoved; });
        QVERIFY(removal != all.end());
        QCOMPARE(removal->entry.detail.value(QStringLiteral("cells")).toArray().at(1).toString(),
                 QStringLiteral("Bert"));
        // The restore is undone the same way: the two-row protocol it replaced is listed first.
        const QList<ReplacedState> states = reader.replacedStates();
        QCOMPARE(states.size(), 2);
        QCOMPARE(states.at(0).replacedBy, JournalKind::Restored);
        QCOMPARE(states.at(0).rowCount, 2);
        QCOMPARE(states.at(1).replacedBy, JournalKind::RowRemoved);
        QCOMPARE(states.at(1).rowCount, 3);
    }

    void answeringNoRestoresNothing() {
        setRows({"1|Anna||||||||5,000|1"});
        WhenModal<TFDlgYesNo> clearing([](TFDlgYesNo* d) { QTest::mouseClick(d->OKBtn, Qt::LeftButton); });
        QTest::keyClick(m_form.get(), Qt::Key_X, Qt::ControlModifier);
        WhenModal<TFDlgYesNo> no([](TFDlgYesNo* d) { QTest::mouseClick(d->CancelBtn, Qt::LeftButton); });
        bool shown = false;
        WhenModal<TFormJournal> window([&](TFormJournal* w) {
            shown = true;
            QTest::mouseClick(w->restoreButton(), Qt::LeftButton);
            w->reject();
        });
        pressCtrlJ();
        QVERIFY(shown);
        QCOMPARE(data().RowCount(), 2);
        QCOMPARE(data().cell(colNr, 1), QString());
    }

    // The current row's runs: which barrier or key gave each event, the stamps, and later edits.
    void theCurrentRowsRunAndItsEdits() {
        RunController& c = m_form->runController();
        m_form->ui().PanelDisplay->editStartN1->setValue(7);
        FormMainCommands::clickItem(m_form->commands().mFreigabe1); // armed: L1 counts
        QVERIFY(m_form->commands().Verlauf1->isEnabled());
        c.ComPortStart(5000000, MS_DSR_ON);
        QCOMPARE(c.state(), RunState::RunningSplitPending);
        // Not during a run: the window would let the table be replaced under it.
        QVERIFY(!m_form->commands().Verlauf1->isEnabled());
        pressCtrlJ();
        QVERIFY(!m_form->journalWindow());
        FormMainCommands::clickItem(m_form->commands().ZwZeit1);
        FormMainCommands::clickItem(m_form->commands().mStop);
        FormMainCommands::clickItem(m_form->commands().mReset);
        QVERIFY(m_form->commands().Verlauf1->isEnabled());

        // The official corrects the name afterwards.
        const int row = data().findRow(colNr, QStringLiteral("7"), false);
        QVERIFY(row >= 1);
        TSortGrid* grid = m_form->ui().SortGrid1;
        grid->setFocus();
        QVERIFY(grid->selectCell(colName, row));
        grid->showEditor();
        auto* editor = grid->findChild<QLineEdit*>();
        QVERIFY(editor && editor->isVisible());
        editor->setText(QStringLiteral("Vera"));
        grid->hideEditor(true);
        data().moveCurrent(colNr, row, true);

        QStringList events;
        QStringList sources;
        QString finish;
        WhenModal<TFormJournal> window([&](TFormJournal* w) {
            const NumberEntriesModel& m = w->numberEntries();
            for (int r = 0; r < m.rowCount(); ++r) {
                events << m.data(m.index(r, 1)).toString();
                sources << m.data(m.index(r, 2)).toString();
                if (events.last() == QStringLiteral("Ziel"))
                    finish = m.data(m.index(r, 4)).toString();
            }
            w->reject();
        });
        pressCtrlJ();
        QVERIFY(!events.isEmpty());
        QCOMPARE(events, QStringList({"Start", "Zw.Zeit", "Ziel", "Zelle geändert"}));
        QCOMPARE(sources, QStringList({"Lichtschranke L1", "Taste F6", "Taste F8", ""}));
        QVERIFY2(finish.contains(QStringLiteral("Stempel L1 5000000, L2 ")), qPrintable(finish));
        QVERIFY2(finish.contains(QStringLiteral(", L3 -, L4 ")), qPrintable(finish));
        QVERIFY2(finish.startsWith(QStringLiteral("Zeit ")), qPrintable(finish));
        QVERIFY2(finish.endsWith(QStringLiteral(" · Zeile %1").arg(row)), qPrintable(finish));

        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        const JournalReader reader(journalPath());
        const QList<JournalRecord> edits = reader.entriesOfNumber(QStringLiteral("7"));
        QCOMPARE(edits.last().entry.detail.value(QStringLiteral("new")).toString(), QStringLiteral("Vera"));
        QCOMPARE(edits.last().entry.detail.value(QStringLiteral("old")).toString(), QString());
    }

    // "Lauf ungültig (AUS)" from the popup: every cell it overwrote is in the journal.
    void disqualifiedRunIsJournaled() {
        m_form->ui().PanelDisplay->editStartN1->setValue(9);
        FormMainCommands::clickItem(m_form->commands().mStart);
        FormMainCommands::clickItem(m_form->commands().mStop);
        FormMainCommands::clickItem(m_form->commands().mReset);
        const int row = data().findRow(colNr, QStringLiteral("9"), false);
        QVERIFY(row >= 1);
        const QString zeit = data().cell(colZeit, row);
        QVERIFY(!zeit.isEmpty());
        data().moveCurrent(colNr, row, true);
        emit m_form->ui().PopupMenuProtokol->aboutToShow(); // as the right click opens it
        QAction* invalid = m_form->ui().PopupMenuProtokol->findChild<QAction*>(QStringLiteral("LaufUngueltig1"));
        QVERIFY(invalid && invalid->isEnabled());
        {
            WhenModal<TFDlgYesNo> yes([](TFDlgYesNo* dialog) { QTest::mouseClick(dialog->OKBtn, Qt::LeftButton); });
            invalid->trigger();
        }
        QCOMPARE(data().cell(colZeit, data().findRow(colNr, QStringLiteral("9"), false)), QStringLiteral("AUS"));

        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        const JournalReader reader(journalPath());
        bool zeitJournaled = false;
        for (const JournalRecord& r : reader.entriesOfNumber(QStringLiteral("9")))
            if (r.entry.detail.value(QStringLiteral("old")).toString() == zeit &&
                r.entry.detail.value(QStringLiteral("new")).toString() == QStringLiteral("AUS"))
                zeitJournaled = true;
        QVERIFY2(zeitJournaled, "the overwritten time is in the journal");
    }

    // Ctrl+S and Ctrl+O: the file and its type; the load with the tables before and after.
    void saveAndLoadAreJournaled() {
        setRows({"1|Anna||||||||5,000|1", "2|Bert||||||||6,000|2"});
        const QString file = m_fixture->root.filePath(QStringLiteral("Lauf 1.txt"));
        m_dialogs->saveAnswer = FileDialogAnswer{file, QStringLiteral("Text file (*.txt)")};
        FormMainCommands::clickItem(m_form->commands().Save1);
        QVERIFY(QFileInfo(file).isFile());
        setRows({"9|Zora||||||||7,000|1"});
        m_dialogs->openAnswer = FileDialogAnswer{file, QStringLiteral("Text file (*.txt)")};
        FormMainCommands::clickItem(m_form->commands().Open1);
        QCOMPARE(data().cell(colName, 1), QStringLiteral("Anna"));

        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        const JournalReader reader(journalPath());
        QStringList steps;
        for (const JournalRecord& r : reader.allEntries())
            if (r.entry.kind == JournalKind::Saved || r.entry.kind == JournalKind::Loaded)
                steps << journalKindName(r.entry.kind) + u' ' + r.entry.source +
                             r.entry.detail.value(QStringLiteral("type")).toString() + u' ' +
                             r.entry.detail.value(QStringLiteral("file")).toString();
        QCOMPARE(steps, QStringList({"saved Text " + file, "loaded Text " + file}));
        const QList<ReplacedState> states = reader.replacedStates();
        QCOMPARE(states.size(), 1);
        QCOMPARE(states.first().what, file);
        QCOMPARE(reader.stateRows(states.first().id)->first().value(colName), QStringLiteral("Zora"));
    }

    // Ctrl+H, Ctrl+E and the standings page: each file the program wrote, with its type.
    void exportsAreJournaled() {
        setRows({"1|Anna|Golf|Damen||||||5,000|1"});
        FormMainCommands::clickItem(m_form->commands().Html1);
        m_form->sbExcelClick();
        QVERIFY(m_form->standingsWindow().savePage());
        QCOMPARE(m_fixture->opened.size(), 3);

        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        QStringList files;
        for (const JournalRecord& r : JournalReader(journalPath()).allEntries())
            if (r.entry.kind == JournalKind::Saved || r.entry.kind == JournalKind::Exported)
                files << journalKindName(r.entry.kind) + u' ' + r.entry.source + u' ' +
                             QUrl::fromLocalFile(r.entry.detail.value(QStringLiteral("file")).toString()).toString();
        QStringList opened;
        for (const QUrl& url : m_fixture->opened)
            opened << url.toString();
        QCOMPARE(files, QStringList({"saved Webseite " + opened.at(0), "exported Tabellenkalkulation " + opened.at(1),
                                     "saved Wertung-Webseite " + opened.at(2)}));
        QFile::remove(m_fixture->opened.at(1).toLocalFile());
    }

    // The simulated box opens; a port that is not there fails with the component's text.
    void portEventsAreJournaled_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("source");
        QTest::newRow("simulated box") << 64 << "port_opened"
                                       << "COM64 (Simulator)";
        QTest::newRow("no such port") << 5 << "port_failed"
                                      << "COM5 (ttyS4)";
    }
    void portEventsAreJournaled() {
        QFETCH(int, port);
        QFETCH(QString, kind);
        QFETCH(QString, source);
        cleanup();
        m_fixture = std::make_unique<FormMainFixture>();
        m_fixture->storeDesignWindow(port, 0);
        createWindow();
        FormMainCommands::clickItem(m_form->commands().mFreigabe1);
        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        const JournalReader reader(journalPath());
        QStringList ports;
        for (const JournalRecord& r : reader.allEntries())
            if (journalKindName(r.entry.kind) == kind)
                ports << r.entry.source + u'|' + r.entry.detail.value(QStringLiteral("text")).toString();
        QVERIFY(!ports.isEmpty());
        QVERIFY2(ports.last().startsWith(source + u'|'), qPrintable(ports.join(u'/')));
        if (kind == QStringLiteral("port_failed"))
            QVERIFY2(ports.last().size() > source.size() + 1, qPrintable(ports.last())); // the reason
    }

    void programStartAndEndAreJournaled() {
        m_yesNo.reset();
        m_form->endWithoutQuestion();
        const JournalReader reader(journalPath());
        const QList<JournalRecord> all = reader.allEntries();
        QVERIFY(all.size() >= 2);
        QCOMPARE(all.first().entry.kind, JournalKind::ProgramStart);
        QCOMPARE(all.last().entry.kind, JournalKind::ProgramEnd);
        QVERIFY(reader.integrityOk());
    }

    void anUnusableJournalIsSaidInTheStatusBarAndTimingGoesOn() {
        cleanup();
        m_fixture = std::make_unique<FormMainFixture>();
        QDir().mkpath(m_fixture->dataFolder());
        QFile garbage(journalPath());
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(5000, '\x17'));
        garbage.close();
        createWindow();
        QTRY_VERIFY_WITH_TIMEOUT(m_form->ui().StatusBar1->panelText(2).startsWith(
                                     QStringLiteral("Verlauf unbrauchbar, umbenannt: Tarvolt-Journal.sqlite.")),
                                 5000);
        FormMainCommands::clickItem(m_form->commands().mStart);
        FormMainCommands::clickItem(m_form->commands().mStop);
        QCOMPARE(m_form->runController().state(), RunState::Finished);
        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        QCOMPARE(JournalReader(journalPath()).entriesOfNumber(QStringLiteral("1")).size(), 2);
    }

    // A journal another program holds: the waiting entries stand in status panel 2 while runs
    // go on and the track's state changes under it; once the file is free they are written,
    // and that is said.
    void aLockedJournalStandsInTheStatusBarWhileRunsGoOn() {
        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        const QString waiting = QStringLiteral("Verlauf von einem anderen Programm gesperrt, Einträge warten");
        const auto panel = [this] { return m_form->ui().StatusBar1->panelText(2); };
        FormMainCommands& c = m_form->commands();
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
            holder.setDatabaseName(journalPath());
            QVERIFY(holder.open());
            QSqlQuery lock(holder);
            QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));

            FormMainCommands::clickItem(c.mStart);
            FormMainCommands::clickItem(c.mStop);
            QCOMPARE(m_form->runController().state(), RunState::Finished);
            QTRY_COMPARE_WITH_TIMEOUT(panel(), waiting, 10000);
            FormMainCommands::clickItem(c.mReset);
            FormMainCommands::clickItem(c.mStart);
            FormMainCommands::clickItem(c.mStop);
            QCOMPARE(m_form->runController().state(), RunState::Finished);
            QCOMPARE(panel(), waiting);
            QVERIFY(m_form->journal()->writer().queuedCount() > 0);

            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
            lock.finish();
            holder.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        QTRY_COMPARE_WITH_TIMEOUT(panel(), QStringLiteral("Verlauf wird wieder geschrieben"), 10000);
        QVERIFY(m_form->journal()->writer().waitForQueue(5000));
        int finishes = 0;
        for (const JournalRecord& r : JournalReader(journalPath()).allEntries())
            finishes += r.entry.kind == JournalKind::RunFinish ? 1 : 0;
        QCOMPARE(finishes, 2);
    }

private:
    // As the official would: the main window active again after a question, then the key.
    void pressCtrlJ() {
        m_form->activateWindow();
        QVERIFY(FormMainFixture::waitUntilActive(m_form.get()));
        QTest::keyClick(m_form.get(), Qt::Key_J, Qt::ControlModifier);
    }
    QString journalPath() const {
        return QDir(m_fixture->dataFolder()).filePath(QStringLiteral("Tarvolt-Journal.sqlite"));
    }
    void createWindow() {
        FormMainEnvironment environment = m_fixture->environment();
        environment.journalPath = journalPath();
        m_dialogs = std::make_shared<FakeFileDialogs>();
        environment.fileDialogs = m_dialogs;
        m_form = std::make_unique<TFormMain>(environment);
        m_yesNo = std::make_unique<TFDlgYesNo>(QStringLiteral("Tarvolt"), m_form.get());
        m_form->attachLaterWindows({nullptr, m_yesNo.get(), nullptr, nullptr});
        QVERIFY(FormMainFixture::showActive(m_form.get()));
    }
    SortGridData& data() { return m_form->ui().SortGrid1->gridData(); }
    void setRows(const QStringList& lines) { FormMainFixture::setProtocolRows(*m_form, lines); }
    QList<QStringList> rows() {
        QList<QStringList> all;
        for (int row = 0; row < data().RowCount(); ++row)
            all << data().rowCells(row);
        return all;
    }

    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;
    std::unique_ptr<TFDlgYesNo> m_yesNo;
    std::shared_ptr<FakeFileDialogs> m_dialogs;
};

QTEST_MAIN(TestFormMainJournal)
#include "test_form_main_journal.moc"
