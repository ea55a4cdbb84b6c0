#include "fake_file_dialogs.h"
#include "form_main_fixture.h"

#include "app/form_main_commands.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "display/display_panel.h"
#include "protocol/protocol_html.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "run/run_controller.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString textType = QStringLiteral("Textdatei (*.txt)");
const QStringList openedTypes{QStringLiteral("Textdatei (*.txt *.csv)"), QStringLiteral("MS Excel (*.xlsx *.xls)"),
                              QStringLiteral("Alle Dateien (*)")};

// A protocol text file: the header line, then one line per "Nr|Name|...|Platz" row. An
// empty cell must be a blank: a run of separators counts as one.
QByteArray protocolFile(const QStringList& rows, const QString& separator = QStringLiteral("\t")) {
    QString text = protocolHeaderTexts().join(u'\t') + QStringLiteral("\t\r\n");
    for (const QString& row : rows)
        text += row.split(u'|').join(separator) + separator + QStringLiteral("\r\n");
    return text.toUtf8();
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The data rows as "Nr|Name|...|Platz", trailing empty cells dropped.
QStringList dataRows(const SortGridData& grid) {
    QStringList rows;
    for (int row = 1; row < grid.RowCount(); ++row) {
        QStringList cells = grid.rowCells(row);
        while (!cells.isEmpty() && cells.constLast().trimmed().isEmpty())
            cells.removeLast();
        rows << cells.join(u'|');
    }
    return rows;
}

// The data rows of a protocol text file on disk, read as the program reads them.
QStringList fileRows(const QString& path) {
    SortGridData grid;
    setupProtocolGrid(grid);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing>")};
    setProtocolRowsFromText(grid, file.readAll());
    return dataRows(grid);
}

} // namespace

// The protocol's files in the main window: the backup at start, after every finish and
// accident and at the end, and the save and open dialogs.
class TestFormMainFiles : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_dialogs = std::make_shared<FakeFileDialogs>();
    }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
        m_dialogs.reset();
    }

    void startWithoutBackup() {
        createForm();
        const SortGridData& grid = m_form->ui().SortGrid1->gridData();
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(dataRows(grid), QStringList({""}));
        for (TLbSpeedButton* button : m_form->ui().protocolButtons())
            QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
        QVERIFY(m_form->ui().sbLoad->isEnabled());
        QVERIFY(m_form->commands().Save1->isEnabled());
        QVERIFY(m_form->commands().Open1->isEnabled());
        QCOMPARE(m_form->backupFile(), backupInProgramFolder());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(fields(), std::make_pair(1, 2));
    }

    // The backup is ranked on loading; the fields take the next starter as F9 would choose
    // it: here everyone has run (or has no number), so "Bereit" (row 2's number, else its
    // own) comes up and "Bereit" takes the number after it.
    void startWithBackup_data() {
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("startNumber");
        QTest::addColumn<int>("nextStarter");
        QTest::newRow("two rows, slower first")
            << QStringList{"7|Bert|Golf|A|-|40,00|-|-|9,500|1", "3|Anna|Polo|B|-|44,44|-|-|8,100|2"}
            << QStringList{"3|Anna|Polo|B|-|44,44|-|-|8,100|1", "7|Bert|Golf|A|-|40,00|-|-|9,500|2"} << 7 << 8;
        QTest::newRow("one row") << QStringList{"5|Carl| | |-|-|-|-|9,000"} << QStringList{"5|Carl| | |-|-|-|-|9,000|1"}
                                 << 2 << 3;
        QTest::newRow("no number in row 1") << QStringList{"x|Dora"} << QStringList{"x|Dora"} << 2 << 3;
        QTest::newRow("one has not run") << QStringList{"3|Anna|Polo|B|-|44,44|-|-|8,100|1", "9|Emil", "4|Fritz"}
                                         << QStringList{"3|Anna|Polo|B|-|44,44|-|-|8,100|1", "9|Emil", "4|Fritz"} << 9
                                         << 4;
    }
    void startWithBackup() {
        QFETCH(QStringList, file);
        QFETCH(QStringList, rows);
        QFETCH(int, startNumber);
        QFETCH(int, nextStarter);
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile(file)));
        createForm();
        QCOMPARE(dataRows(m_form->ui().SortGrid1->gridData()), rows);
        QCOMPARE(fields(), std::make_pair(startNumber, nextStarter));
        QCOMPARE(m_form->runController().editStartN1(), startNumber);
        // The workbook and document buttons follow too, once their commands are built.
        for (TLbSpeedButton* button :
             {m_form->ui().sbSave, m_form->ui().sbCLS, m_form->ui().sbPrint, m_form->ui().sbInet})
            QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    }

    // Without a writable program folder the backup lives in the data folder; without
    // either there is none, and nothing fails.
    // An existing backup in the data folder is used even when the program folder takes files.
    void backupPlace_data() {
        QTest::addColumn<bool>("withDataFolder");
        QTest::addColumn<QString>("programFolder");
        QTest::newRow("data folder") << true << "gone";
        QTest::newRow("no place") << false << "gone";
        QTest::newRow("writable program folder") << true << "bin";
    }
    void backupPlace() {
        QFETCH(bool, withDataFolder);
        QFETCH(QString, programFolder);
        const QString inData = QDir(m_fixture->dataFolder()).filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));
        QVERIFY(writeFile(inData, protocolFile({"4|Emil| | |-|-|-|-|7,000|1"})));
        FormMainEnvironment environment = m_fixture->environment();
        environment.executablePath = m_fixture->root.filePath(programFolder + QStringLiteral("/Tarvolt"));
        if (!withDataFolder)
            environment.dataFolder.clear();
        createForm(environment);
        QCOMPARE(m_form->backupFile(), withDataFolder ? inData : QString());
        QCOMPARE(dataRows(m_form->ui().SortGrid1->gridData()),
                 withDataFolder ? QStringList{"4|Emil| | |-|-|-|-|7,000|1"} : QStringList{""});
        m_form->ui().SortGrid1->gridData().setCell(colName, 1, QStringLiteral("Łukasz"));
        m_form->endWithoutQuestion();
        QCOMPARE(fileRows(inData).value(0), withDataFolder ? QStringLiteral("4|Łukasz| | |-|-|-|-|7,000|1")
                                                           : QStringLiteral("4|Emil| | |-|-|-|-|7,000|1"));
        QVERIFY(!QFileInfo::exists(m_fixture->root.filePath(QStringLiteral("gone"))));
    }

    // A backup that is no protocol is kept under a dated name, out of the way of the next write.
    void unusableBackupIsMovedAside() {
        const QByteArray bytes("2\tAnna\0\t\r\n", 10);
        QVERIFY(writeFile(backupInProgramFolder(), bytes));
        FormMainEnvironment environment = m_fixture->environment();
        environment.clock = [] { return QDateTime(QDate(2026, 12, 8), QTime(14, 50)); };
        createForm(environment);
        const QString movedTo = backupInProgramFolder() + QStringLiteral(".2026-12-08-14-50.bak");
        QVERIFY(m_form->ui().StatusBar1->panelText(2).endsWith(QFileInfo(movedTo).fileName()));
        QCOMPARE(m_form->ui().StatusBar1->panel(2)->toolTip(), movedTo);
        QCOMPARE(dataRows(m_form->ui().SortGrid1->gridData()), QStringList{""});
        m_form->ui().SortGrid1->gridData().setCell(colNr, 1, QStringLiteral("5"));
        m_form->endWithoutQuestion();
        QCOMPARE(fileRows(backupInProgramFolder()), QStringList{"5"});
        QFile kept(movedTo);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);
    }

    void shutdownWritesBackup() {
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"2|Anna| | |-|-|-|-|8,000|1"})));
        createForm();
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        grid.setCell(colFahrzeug, 1, QStringLiteral("Käfer\tTurbo"));
        grid.setRowCount(3);
        grid.setCell(colNr, 2, QStringLiteral("9"));
        m_form->endWithoutQuestion();
        QCOMPARE(fileRows(backupInProgramFolder()), QStringList({"2|Anna|Käfer Turbo| |-|-|-|-|8,000|1", "9"}));
    }

    // The row is filled and ranked before the backup is written, at the finish itself and
    // at an accident, without waiting for the end of the program.
    void finishAndAccidentWriteBackupAtOnce() {
        createForm();
        FormMainCommands& c = m_form->commands();
        FormMainCommands::clickItem(c.mStart);
        QVERIFY(!QFileInfo::exists(backupInProgramFolder()));
        FormMainCommands::clickItem(c.mStop);
        QVERIFY(m_form->waitForBackup(10000)); // written on a thread of its own
        const QStringList afterFinish = fileRows(backupInProgramFolder());
        QCOMPARE(afterFinish.size(), 1);
        const QStringList cells = afterFinish.at(0).split(u'|');
        QCOMPARE(cells.value(colNr), QStringLiteral("1"));
        QVERIFY(!cells.value(colZeit).trimmed().isEmpty());
        QCOMPARE(cells.value(colPlatz), QStringLiteral("1"));

        FormMainCommands::clickItem(c.mReset);
        m_form->ui().PanelDisplay->editStartN1->setValue(2);
        FormMainCommands::clickItem(c.mStart);
        FormMainCommands::clickItem(c.mAvaria);
        QVERIFY(m_form->waitForBackup(10000));
        const QStringList afterAccident = fileRows(backupInProgramFolder());
        QCOMPARE(afterAccident.size(), 2);
        QVERIFY(afterAccident.contains(QStringLiteral("2|-|-|-|-|-|-|-|-|-")));
    }

    // A name typed between finishes reaches the backup soon, without a finish; five names
    // typed one after the other are one write.
    void typedNamesReachBackupSoon() {
        createForm();
        showForm();
        QSignalSpy writes(m_form.get(), &TFormMain::backupWritten);
        TSortGrid* grid = m_form->ui().SortGrid1;
        SortGridData& data = grid->gridData();
        data.setCell(colNr, 1, QStringLiteral("4"));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->cellRect(colName, 1).center());
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(grid->isEditing());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Meier"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(data.cell(colName, 1), QStringLiteral("Meier"));
        QTRY_COMPARE_WITH_TIMEOUT(fileRows(backupInProgramFolder()), QStringList{"4|Meier"}, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(writes.count(), 1, 5000);

        data.setRowCount(7); // the header line and six data rows
        for (int row = 2; row <= 6; ++row) {
            data.setCell(colNr, row, QString::number(row + 3));
            data.setCell(colName, row, QStringLiteral("Fahrer %1").arg(row));
            QTest::qWait(20); // the event loop runs between the names, as between keys
        }
        QTRY_COMPARE_WITH_TIMEOUT(fileRows(backupInProgramFolder()).size(), 6, 10000);
        QCOMPARE(fileRows(backupInProgramFolder()).last(), QStringLiteral("9|Fahrer 6"));
        QTRY_COMPARE_WITH_TIMEOUT(writes.count(), 2, 5000);
    }

    // A load and a clear are in the backup at once; what they replaced is in the journal.
    void loadAndClearReachBackupAtOnce() {
        createForm();
        const QString file = m_fixture->root.filePath(QStringLiteral("startliste.txt"));
        QVERIFY(writeFile(file, protocolFile({"12|Ida|Up", "21|Hugo|Mini"})));
        m_dialogs->openAnswer = FileDialogAnswer{file, textType};
        FormMainCommands::clickItem(m_form->commands().Open1);
        QVERIFY(m_form->waitForBackup(10000));
        QCOMPARE(fileRows(backupInProgramFolder()), QStringList({"12|Ida|Up", "21|Hugo|Mini"}));

        FormMainCommands::clickItem(m_form->commands().Clear1);
        QCOMPARE(dataRows(m_form->ui().SortGrid1->gridData()), QStringList{""});
        QVERIFY(m_form->waitForBackup(10000));
        QCOMPARE(fileRows(backupInProgramFolder()), QStringList{""});
    }

    // The proposal is the date stamp in the save dialog's folder; every type is offered, the
    // stored one preselected, the text type when the stored index is out of range; the chosen
    // index is kept and stored at the end.
    void saveThroughTheDialog_data() {
        QTest::addColumn<int>("storedIndex");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("keptIndex");
        QTest::newRow("text") << 1 << false << 1;
        QTest::newRow("web page stored, text chosen") << 4 << false << 1;
        QTest::newRow("web page stored, cancelled") << 4 << true << 4;
        QTest::newRow("out of range stored, cancelled") << 7 << true << 7;
    }
    void saveThroughTheDialog() {
        QFETCH(int, storedIndex);
        QFETCH(bool, cancel);
        QFETCH(int, keptIndex);
        m_fixture->storeSettings({{"Left", 10},
                                  {"Top", 10},
                                  {"Width", 850},
                                  {"Height", 572},
                                  {"Sound", 1},
                                  {"Port", 0},
                                  {"FilterInd", storedIndex}});
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"3|Anna| | |-|-|-|-|8,100|1"})));
        FormMainEnvironment environment = m_fixture->environment();
        environment.clock = [] { return QDateTime(QDate(2014, 3, 7), QTime(9, 5, 41)); };
        createForm(environment);
        showForm();
        const QString target = m_fixture->root.filePath(QStringLiteral("stick/Lauf 1.txt"));
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!cancel)
            m_dialogs->saveAnswer = FileDialogAnswer{target, textType};

        QTest::keySequence(m_form.get(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(m_dialogs->saveRequests.size(), 1);
        const FileDialogRequest& asked = m_dialogs->saveRequests.at(0);
        QCOMPARE(asked.fileName, QStringLiteral("2014-03-07-09-05"));
        QCOMPARE(asked.folder, m_fixture->programFolder() + u'/');
        QCOMPARE(asked.nameFilters, savedTypes());
        QCOMPARE(asked.selectedNameFilter, storedIndex <= 4 ? asked.nameFilters.value(storedIndex - 1) : textType);
        QCOMPARE(asked.defaultSuffix, QStringLiteral("txt"));
        QCOMPARE(m_form->SaveDialog1().FilterIndex, keptIndex);

        const QString folder = cancel ? m_fixture->programFolder() + u'/' : QFileInfo(target).absolutePath() + u'/';
        QCOMPARE(QFileInfo::exists(target), !cancel);
        if (!cancel)
            QCOMPARE(fileRows(target), QStringList{"3|Anna| | |-|-|-|-|8,100|1"});
        QCOMPARE(m_form->SaveDialog1().InitialDir, folder);
        QCOMPARE(m_form->OpenDialog1().InitialDir, folder);

        // The next save starts where the last one went; the open dialog follows it.
        m_dialogs->saveAnswer.reset();
        FormMainCommands::clickItem(m_form->commands().Save1);
        QCOMPARE(m_dialogs->saveRequests.at(1).folder, folder);
        FormMainCommands::clickItem(m_form->commands().Open1);
        QCOMPARE(m_dialogs->openRequests.at(0).folder, folder);

        m_form->endWithoutQuestion();
        QSettings stored(m_fixture->settingsPath(), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("FilterInd")).toInt(), keptIndex);
    }

    // "Lauf.xlsx" typed while the text type is selected is a workbook; a save says so.
    void typedExtensionDecidesAndSaveIsReported() {
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"3|Anna| | |-|-|-|-|8,100|1"})));
        createForm();
        showForm();
        const QString target = m_fixture->root.filePath(QStringLiteral("Lauf.xlsx"));
        m_dialogs->saveAnswer = FileDialogAnswer{target, textType};
        FormMainCommands::clickItem(m_form->commands().Save1);
        QCOMPARE(contents(target).left(2), QByteArray("PK"));
        QCOMPARE(m_form->ui().StatusBar1->panelText(2), QStringLiteral("Gespeichert: Lauf.xlsx"));
        QCOMPARE(m_form->ui().StatusBar1->panel(2)->toolTip(), target);
    }

    // Loading over timed runs asks first; "Nein" keeps the table and opens no dialog.
    void openOverTimedRunsAsks() {
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"3|Anna| | |-|-|-|-|8,100|1"})));
        createForm();
        showForm();
        m_answers.emplace(false);
        FormMainCommands::clickItem(m_form->commands().Open1);
        QCOMPARE(m_dialogs->openRequests.size(), 0);
        QCOMPARE(dataRows(m_form->ui().SortGrid1->gridData()), QStringList{"3|Anna| | |-|-|-|-|8,100|1"});
    }

    void failedSaveShowsWriteError() {
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"3|Anna| | |-|-|-|-|8,100|1"})));
        createForm();
        showForm();
        const QString target = m_fixture->root.filePath(QStringLiteral("no such folder/Lauf.txt"));
        m_dialogs->saveAnswer = FileDialogAnswer{target, textType};
        QString text;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal<QMessageBox> answer([&](QMessageBox* box) {
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            box->accept();
        });
        QTest::mousePress(m_form->ui().sbSave, Qt::LeftButton);
        QTest::mouseRelease(m_form->ui().sbSave, Qt::LeftButton);
        QCOMPARE(m_dialogs->saveRequests.size(), 1);
        QCOMPARE(text, QStringLiteral("Der Schreibfehler der Datei: ") + target);
        QCOMPARE(title, QStringLiteral("Tarvolt"));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(!QFileInfo::exists(target));
    }

    // Ctrl+H opens the page; the print button prints that page, not the grid: every row's
    // time with its point, in the table's order; the save dialog's web page type writes it.
    void oneWebPageThreeRoutes() {
        QVERIFY(writeFile(
            backupInProgramFolder(),
            protocolFile({"3|Anna| | |-|-|-|-|9,500", "2|Łukasz| | |-|-|-|-|1.02,345", "1|Bert| | |-|-|-|-|8,100"})));
        createForm();
        showForm();
        QTest::keySequence(m_form.get(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QCOMPARE(m_fixture->opened, QList<QUrl>{QUrl::fromLocalFile(webPage())});
        QCOMPARE(contents(webPage()), protocolHtmlBytes(m_form->ui().SortGrid1->gridData(), QStringLiteral("Tarvolt")));

        const QString pdf = m_fixture->root.filePath(QStringLiteral("protokoll.pdf"));
        WhenModal<QPrintDialog> answer([&](QPrintDialog* dialog) {
            auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
            auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            if (!printers || !file)
                return dialog->reject();                      // never to a real printer
            printers->setCurrentIndex(printers->count() - 1); // "Print to File (PDF)"
            file->setText(pdf);
            dialog->accept();
        });
        QTest::mouseClick(m_form->ui().sbPrint, Qt::LeftButton);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY2(text.waitForFinished(20000) && text.exitCode() == 0, "pdftotext (poppler-utils) failed");
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        // pdftotext may put blank lines between the rows, depending on the fonts installed.
        static const QRegularExpression rows(QStringLiteral("Bert[ -]+8\\.100 +1 *\n.*?Anna[ -]+9\\.500 +2 *\n.*?"
                                                            "Łukasz[ -]+1\\.02\\.345 +3 *\n"),
                                             QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(printed.contains(rows), qPrintable(printed));

        const QString type = m_form->fileTypeNames().webPage + QStringLiteral(" (*.html)");
        m_dialogs->saveAnswer = FileDialogAnswer{m_fixture->root.filePath(QStringLiteral("Lauf 1.html")), type};
        FormMainCommands::clickItem(m_form->commands().Save1);
        QCOMPARE(m_dialogs->saveRequests.value(0).nameFilters, savedTypes());
        QCOMPARE(contents(m_dialogs->saveAnswer->filePath), contents(webPage()));
        QCOMPARE(m_fixture->opened.size(), 1);
    }

    // A page that cannot be written is reported, and the older one opened all the same.
    void unwritablePageOpensTheOlderOne() {
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"3|Anna| | |-|-|-|-|8,100|1"})));
        QVERIFY(writeFile(webPage(), "old"));
        createForm();
        rlimit limit{}; // a file size limit holds for root as well: the write falls short
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit small{2, limit.rlim_max};
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QString text;
        WhenModal<QMessageBox> answer([&](QMessageBox* box) {
            ::setrlimit(RLIMIT_FSIZE, &limit);
            text = box->icon() == QMessageBox::Critical ? box->text() : QString();
            box->accept();
        });
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        FormMainCommands::clickItem(m_form->commands().Html1);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(text.section(u'\n', 0, 0), QStringLiteral("Der Schreibfehler der Datei: ") + webPage());
        QCOMPARE(contents(webPage()), QByteArray("old"));
        QCOMPARE(m_fixture->opened, QList<QUrl>{QUrl::fromLocalFile(webPage())});
    }

    // A link planted where the backup goes is refused from the start: status panel 2 says so
    // in red, every finish leaves the file it points to alone, and once the link is gone
    // the next finish writes the backup and clears the panel.
    void backupNeverWritesThroughALink() {
        const QString victim = m_fixture->root.filePath(QStringLiteral("fremd.txt"));
        QVERIFY(writeFile(victim, "fremd"));
        QVERIFY(QFile::link(victim, backupInProgramFolder()));
        createForm();
        QLabel* panel = m_form->ui().StatusBar1->panel(2);
        QVERIFY2(m_form->ui().StatusBar1->panelText(2).startsWith(QStringLiteral("Sicherung nicht geschrieben")),
                 qPrintable(m_form->ui().StatusBar1->panelText(2)));
        QVERIFY(panel->styleSheet().contains(QStringLiteral("color: #c00000")));
        FormMainCommands& c = m_form->commands();
        FormMainCommands::clickItem(c.mStart);
        FormMainCommands::clickItem(c.mStop);
        QVERIFY(m_form->waitForBackup(10000));
        QCOMPARE(contents(victim), QByteArray("fremd"));
        QVERIFY(m_form->ui().StatusBar1->panelText(2).startsWith(QStringLiteral("Sicherung nicht geschrieben")));

        QVERIFY(QFile::remove(backupInProgramFolder()));
        FormMainCommands::clickItem(c.mReset);
        m_form->ui().PanelDisplay->editStartN1->setValue(2);
        FormMainCommands::clickItem(c.mStart);
        FormMainCommands::clickItem(c.mStop);
        QVERIFY(m_form->waitForBackup(10000));
        QCOMPARE(fileRows(backupInProgramFolder()).size(), 2);
        // The failure gives way to the track's state once a write succeeds.
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->ui().StatusBar1->panelText(2).startsWith(QStringLiteral("Sicherung")), 10000);
        QVERIFY(!panel->styleSheet().contains(QStringLiteral("color: #c00000")));
        QCOMPARE(contents(victim), QByteArray("fremd"));
    }

    // Ctrl+H does not write through a link planted as "Tarvolt.html", says so and opens nothing.
    void pageNeverWritesThroughALink() {
        const QString victim = m_fixture->root.filePath(QStringLiteral("fremd.html"));
        QVERIFY(writeFile(victim, "fremd"));
        QVERIFY(QDir().mkpath(QFileInfo(webPage()).absolutePath()));
        QVERIFY(QFile::link(victim, webPage()));
        createForm();
        QString text;
        WhenModal<QMessageBox> answer([&](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
        FormMainCommands::clickItem(m_form->commands().Html1);
        QVERIFY2(text.startsWith(QStringLiteral("Der Schreibfehler der Datei: ") + webPage()), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Verweis")), qPrintable(text));
        QCOMPARE(contents(victim), QByteArray("fremd"));
        QVERIFY(m_fixture->opened.isEmpty());
    }

    // A PDF that cannot be written is told, not taken for printed.
    void unwritablePdfIsReported() {
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"3|Anna| | |-|-|-|-|8,100|1"})));
        createForm();
        const QString pdf = QStringLiteral("/proc/tarvolt/protokoll.pdf"); // not even root creates it
        WhenModal<QPrintDialog> answer([&](QPrintDialog* dialog) {
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(pdf);
            dialog->done(QDialog::Accepted); // past the dialog's own check of the folder
        });
        QString text;
        WhenModal<QMessageBox> told([&](QMessageBox* box) {
            text = box->icon() == QMessageBox::Critical ? box->text() : QString();
            box->accept();
        });
        FormMainCommands::clickItem(m_form->commands().Print1);
        QCOMPARE(text, QStringLiteral("Der Schreibfehler der Datei: ") + pdf);
    }

    // Whatever the dialog gives, row 1 ends up current and selected as a whole.
    void openThroughTheDialog_data() {
        QTest::addColumn<QString>("answer"); // "file", "cancel" or "missing"
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("startNumber");
        QTest::addColumn<int>("nextStarter");
        const QStringList before{"1|Anna| | |-|-|-|-|8,000|1", "2|Bert| | |-|-|-|-|9,000|2",
                                 "3|Carl| | |-|-|-|-|9,500|3"};
        QTest::newRow("semicolon file") << "file"
                                        << QStringList{"21|Hugo|Mini| |-|-|-|-|7,100|1", "12|Ida|Up| |-|-|-|-|7,900|2"}
                                        << 21 << 12;
        // Nothing loaded: the fields keep what the start chose (everyone in the backup has run).
        QTest::newRow("cancel") << "cancel" << before << 2 << 3;
        QTest::newRow("file gone") << "missing" << before << 2 << 3;
        QTest::newRow("not a protocol") << "refused" << before << 2 << 3;
    }
    void openThroughTheDialog() {
        QFETCH(QString, answer);
        QFETCH(QStringList, rows);
        QFETCH(int, startNumber);
        QFETCH(int, nextStarter);
        QVERIFY(writeFile(backupInProgramFolder(), protocolFile({"3|Carl| | |-|-|-|-|9,500", "1|Anna| | |-|-|-|-|8,000",
                                                                 "2|Bert| | |-|-|-|-|9,000"})));
        const QString file = m_fixture->root.filePath(QStringLiteral("export.csv"));
        QVERIFY(writeFile(
            file, protocolFile({"12;Ida;Up; ;-;-;-;-;7,900", "21;Hugo;Mini; ;-;-;-;-;7,100"}, QStringLiteral(";"))));
        createForm();
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        grid.selectRow(3);
        if (answer == QStringLiteral("file"))
            m_dialogs->openAnswer = FileDialogAnswer{file, textType};
        else if (answer == QStringLiteral("missing"))
            m_dialogs->openAnswer = FileDialogAnswer{m_fixture->root.filePath(QStringLiteral("gone.txt")), textType};
        const QString binary = m_fixture->root.filePath(QStringLiteral("bild.txt"));
        QVERIFY(writeFile(binary, QByteArray("3\tCarl\0\t", 9)));
        if (answer == QStringLiteral("refused"))
            m_dialogs->openAnswer = FileDialogAnswer{binary, textType};
        QString message;
        WhenModal<QMessageBox> acknowledge([&](QMessageBox* box) {
            message = box->text();
            box->accept();
        });

        FormMainCommands::clickItem(m_form->commands().Open1);
        // A file that cannot be opened is told as well, and leaves the table as it was.
        QString expected;
        if (answer == QStringLiteral("refused"))
            expected = QStringLiteral("Die Datei ist kein Zeitenprotokoll: ") + binary;
        else if (answer == QStringLiteral("missing"))
            expected = QStringLiteral("Die Datei kann nicht geöffnet werden: ") +
                       m_fixture->root.filePath(QStringLiteral("gone.txt"));
        QCOMPARE(message, expected);
        QCOMPARE(m_dialogs->openRequests.size(), 1);
        QCOMPARE(m_dialogs->openRequests.at(0).nameFilters, openedTypes);
        QCOMPARE(m_dialogs->openRequests.at(0).folder, m_fixture->programFolder() + u'/');
        QCOMPARE(dataRows(grid), rows);
        QCOMPARE(fields(), std::make_pair(startNumber, nextStarter));
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(m_form->ui().StatusBar1->panelText(0), QStringLiteral("1:%1").arg(rows.size()));
        const TGridRect selection = grid.Selection();
        QCOMPARE(selection.Left, 0);
        QCOMPARE(selection.Right, 9);
        QCOMPARE(selection.Top, 1);
        QCOMPARE(selection.Bottom, 1);
    }

    // An empty protocol cannot be saved by its button; a loaded one can, and its button is on.
    void buttonsFollowTheLoad() {
        createForm();
        showForm();
        const QString file = m_fixture->root.filePath(QStringLiteral("lauf.txt"));
        QVERIFY(writeFile(file, protocolFile({"8|Otto| | |-|-|-|-|6,500"})));
        m_dialogs->openAnswer = FileDialogAnswer{file, textType};
        TLbSpeedButton* save = m_form->ui().sbSave;
        QTest::mousePress(save, Qt::LeftButton);
        QTest::mouseRelease(save, Qt::LeftButton);
        QCOMPARE(m_dialogs->saveRequests.size(), 0);

        QTest::mousePress(m_form->ui().sbLoad, Qt::LeftButton);
        QTest::mouseRelease(m_form->ui().sbLoad, Qt::LeftButton);
        QCOMPARE(m_dialogs->openRequests.size(), 1);
        QVERIFY(save->isEnabled());
        QTest::mousePress(save, Qt::LeftButton);
        QTest::mouseRelease(save, Qt::LeftButton);
        QCOMPARE(m_dialogs->saveRequests.size(), 1);
    }

    // A load during a run moves the fields; the run still finishes into its own number's row.
    void loadDuringRun() {
        createForm();
        FormMainCommands& c = m_form->commands();
        FormMainCommands::clickItem(c.mStart);
        const QString file = m_fixture->root.filePath(QStringLiteral("lauf.txt"));
        QVERIFY(writeFile(file, protocolFile({"5|Eva| | |-|-|-|-|6,500", "6|Udo| | |-|-|-|-|6,700"})));
        m_dialogs->openAnswer = FileDialogAnswer{file, textType};
        FormMainCommands::clickItem(c.Open1);
        QCOMPARE(fields(), std::make_pair(5, 6));
        FormMainCommands::clickItem(c.mStop);
        QVERIFY(m_form->waitForBackup(10000));
        const QStringList rows = fileRows(backupInProgramFolder());
        QCOMPARE(rows.size(), 3);
        // A run of a few milliseconds is the fastest.
        const QStringList run = rows.at(0).split(u'|');
        QCOMPARE(run.value(colNr), QStringLiteral("1"));
        QVERIFY(!run.value(colZeit).trimmed().isEmpty());
        QCOMPARE(run.value(colPlatz), QStringLiteral("1"));
        QCOMPARE(rows.at(1).section(u'|', 0, 1), QStringLiteral("5|Eva"));
    }

private:
    QString backupInProgramFolder() const {
        return QDir(m_fixture->programFolder()).filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));
    }
    // Every type, the document and web page names the desktop's own, from its MIME database.
    QStringList savedTypes() const {
        const FileTypeNames& names = m_form->fileTypeNames();
        return {textType, QStringLiteral("MS Excel (*.xlsx)"), names.word + QStringLiteral(" (*.docx)"),
                names.webPage + QStringLiteral(" (*.html)")};
    }
    QString webPage() const { return QDir(m_fixture->currentFolder()).filePath(QStringLiteral("Tarvolt.html")); }
    void createForm(FormMainEnvironment environment) {
        environment.fileDialogs = m_dialogs;
        m_form = std::make_unique<TFormMain>(environment);
        // Loading over timed runs asks first; these tests are about what follows a yes.
        m_form->attachLaterWindows(
            {nullptr, new TFDlgYesNo(QStringLiteral("Tarvolt"), m_form.get()), nullptr, nullptr});
        m_answers.emplace(true);
    }
    void createForm() { createForm(m_fixture->environment()); }
    void showForm() { QVERIFY(FormMainFixture::showActive(m_form.get())); }
    std::pair<int, int> fields() const {
        const DisplayPanel* panel = m_form->ui().PanelDisplay;
        return {panel->editStartN1->value(), panel->editStartN2->value()};
    }

    std::unique_ptr<FormMainFixture> m_fixture;
    std::shared_ptr<FakeFileDialogs> m_dialogs;
    std::unique_ptr<TFormMain> m_form;
    std::optional<AnswerEveryQuestion> m_answers;
};

QTEST_MAIN(TestFormMainFiles)
#include "test_form_main_files.moc"
