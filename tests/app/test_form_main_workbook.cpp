#include "fake_file_dialogs.h"
#include "form_main_fixture.h"

#include "app/form_main_commands.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QProcess>

namespace {

const QString workbookSaveType = QStringLiteral("MS Excel (*.xlsx)");
const QString workbookOpenType = QStringLiteral("MS Excel (*.xlsx *.xls)");

// The workbook as openpyxl reads it; empty when the reader failed or ran out of time.
QJsonObject dumpWorkbook(const QString& fileName) {
    QProcess python;
    python.start(QStringLiteral(TARVOLT_PYTHON3), {QStringLiteral(TARVOLT_DUMP_WORKBOOK), fileName});
    if (!python.waitForFinished(60000))
        python.kill();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QList<QStringList> tableRows(const SortGridData& grid) {
    QList<QStringList> rows;
    for (int row = 0; row < grid.RowCount(); ++row)
        rows << grid.rowCells(row);
    return rows;
}

} // namespace

// The protocol as a workbook in the main window: the dialogs' workbook type and Ctrl+E.
class TestFormMainWorkbook : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_dialogs = std::make_shared<FakeFileDialogs>();
        FormMainEnvironment environment = m_fixture->environment();
        environment.fileDialogs = m_dialogs;
        environment.exportFolder = m_fixture->root.filePath(QStringLiteral("cache"));
        environment.clock = [] { return QDateTime(QDate(2014, 3, 7), QTime(9, 5)); };
        m_form = std::make_unique<TFormMain>(environment);
        // Loading over timed runs asks first; these tests are about what follows a yes.
        m_form->attachLaterWindows(
            {nullptr, new TFDlgYesNo(QStringLiteral("Tarvolt"), m_form.get()), nullptr, nullptr});
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        grid.setRowCount(3);
        const QStringList first{"7", "Jürgen", "Golf", "A", "-", "98,50", "123,45", "9,800", "1.02,345", "1"};
        const QStringList second{"8", "Groß", " ", "", "-", "-", "-", "-", "AUS", ""};
        for (int col = 0; col < protocolColumnCount; ++col) {
            grid.setCell(col, 1, first[col]);
            grid.setCell(col, 2, second[col]);
        }
        m_form->updateProtocolButtons();
    }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
    }

    // Saved through the save dialog and loaded back through the open dialog: the same
    // rows, not ranked, the start-number fields unchanged, the chosen type kept.
    void saveAndLoadThroughTheDialogs() {
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        const QList<QStringList> before = tableRows(grid);
        const QString file = m_fixture->root.filePath(QStringLiteral("Lauf 1.xlsx"));
        m_dialogs->saveAnswer = FileDialogAnswer{file, workbookSaveType};
        FormMainCommands::clickItem(m_form->commands().Save1);
        QCOMPARE(m_form->SaveDialog1().FilterIndex, 2);
        QVERIFY(QFileInfo::exists(file));

        clearProtocol(grid);
        m_form->updateProtocolButtons();
        QVERIFY(!m_form->ui().sbExcel->isEnabled());
        m_form->runController().setEditStartN1(42);
        m_dialogs->openAnswer = FileDialogAnswer{file, workbookOpenType};
        FormMainCommands::clickItem(m_form->commands().Open1);
        QCOMPARE(tableRows(grid), before);
        QCOMPARE(m_form->runController().editStartN1(), 42);
        QVERIFY(m_form->ui().sbExcel->isEnabled());
        QCOMPARE(grid.Row(), 1);
    }

    // A damaged workbook and a failed write are reported; the table stays as it was.
    void failuresAreReportedAndChangeNothing() {
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        grid.selectRow(2);
        const QList<QStringList> before = tableRows(grid);
        const QString broken = m_fixture->root.filePath(QStringLiteral("kaputt.xlsx"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("PK\x03\x04 abgeschnitten") > 0);
        file.close();
        const QString unwritable = m_fixture->root.filePath(QStringLiteral("fehlt/Lauf.xlsx"));
        const QList<std::pair<QString, QString>> cases{
            {broken, QStringLiteral("Die Datei ist kein Zeitenprotokoll: ") + broken},
            {unwritable, QStringLiteral("Der Schreibfehler der Datei: ") + unwritable}};
        for (const auto& [target, message] : cases) {
            QString text;
            WhenModal<QMessageBox> answer([&](QMessageBox* box) {
                text = box->text();
                box->accept();
            });
            if (target == broken) {
                m_dialogs->openAnswer = FileDialogAnswer{target, workbookOpenType};
                FormMainCommands::clickItem(m_form->commands().Open1);
            } else {
                m_dialogs->saveAnswer = FileDialogAnswer{target, workbookSaveType};
                FormMainCommands::clickItem(m_form->commands().Save1);
            }
            QVERIFY2(text.startsWith(message), qPrintable(text));
            QCOMPARE(tableRows(grid), before);
            QCOMPARE(grid.Row(), 2);
        }
        QVERIFY(!QFileInfo::exists(unwritable));
    }

    // Ctrl+E writes a dated workbook into a folder of its own that only this user may
    // enter, made fresh in the export folder, and hands it to the desktop: the header in
    // row 1, the first comma made a point, plain numbers as numbers. A link planted under
    // the predictable name in the export folder is never written through.
    void excelOpensANewWorkbook() {
        const QString cache = m_fixture->root.filePath(QStringLiteral("cache"));
        const QString victim = m_fixture->root.filePath(QStringLiteral("fremd.txt"));
        QVERIFY(QDir().mkpath(cache));
        QFile other(victim);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("fremd") == 5);
        other.close();
        QVERIFY(QFile::link(victim, QDir(cache).filePath(QStringLiteral("Tarvolt-2014-03-07-09-05.xlsx"))));
        QVERIFY(FormMainFixture::showActive(m_form.get()));
        QTest::keySequence(m_form.get(), QKeySequence(Qt::CTRL | Qt::Key_E));
        QTest::keySequence(m_form.get(), QKeySequence(Qt::CTRL | Qt::Key_E));
        QCOMPARE(m_fixture->opened.size(), 2);
        const QString file = m_fixture->opened.at(0).toLocalFile();
        const QFileInfo folder(QFileInfo(file).absolutePath());
        QCOMPARE(QFileInfo(file).fileName(), QStringLiteral("Tarvolt-2014-03-07-09-05.xlsx"));
        QCOMPARE(folder.absolutePath(), cache);
        QVERIFY(folder.fileName().startsWith(QStringLiteral("Tarvolt-")));
        QVERIFY(!folder.isSymLink());
        QCOMPARE(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(m_fixture->opened.at(1).toLocalFile(),
                 folder.absoluteFilePath() + QStringLiteral("/Tarvolt-2014-03-07-09-05-2.xlsx"));
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), QByteArray("fremd"));

        const QJsonObject dump = dumpWorkbook(file);
        const QJsonArray rows = dump["cells"].toArray();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0)[colNr]["value"].toString(), QStringLiteral("Nr."));
        QCOMPARE(rows.at(0)[colName]["value"].toString(), QStringLiteral("Name"));
        const QJsonArray first = rows.at(1).toArray();
        QCOMPARE(first.at(colZeit)["value"].toString(), QStringLiteral("1.02.345"));
        QCOMPARE(first.at(colVmax)["value"].toDouble(), 123.45);
        QCOMPARE(first.at(colVmax)["format"].toString(), QStringLiteral("0.00"));
        QCOMPARE(first.at(colEndZeit)["format"].toString(), QStringLiteral("0.000"));
        QCOMPARE(first.at(colNr)["type"].toString(), QStringLiteral("int"));
        QCOMPARE(rows.at(2)[colZeit]["value"].toString(), QStringLiteral("AUS"));
    }

private:
    std::unique_ptr<FormMainFixture> m_fixture;
    std::shared_ptr<FakeFileDialogs> m_dialogs;
    std::unique_ptr<TFormMain> m_form;
    AnswerEveryQuestion m_answers{true};
};

QTEST_MAIN(TestFormMainWorkbook)
#include "test_form_main_workbook.moc"
