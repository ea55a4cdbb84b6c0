#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "protocol/protocol_workbook.h"
#include "protocol/workbook_reader.h"
#include "workbook_dump.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "protocol_test_grid.h"

#include <atomic>
#include <csignal>
#include <memory>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QLocale german(QLocale::German, QLocale::Germany);

// A protocol: umlauts, markers, blanks and empty cells.
void fillProtocol(SortGridData& grid) {
    setupProtocolGrid(grid);
    grid.setRowCount(4);
    const QList<QStringList> rows{{"7", "Jürgen Öztürk", "Golf", "Ä", "-", "98,50", "123,45", "9,800", "8,500", "1"},
                                  {"12", "Groß", " ", "", "-", "-", "-", "-", "AUS", ""},
                                  {"3", " ", "", "", "", "", "", "", "1.02,345", "2"}};
    for (int row = 0; row < rows.size(); ++row)
        for (int col = 0; col < protocolColumnCount; ++col)
            grid.setCell(col, row + 1, rows[row][col]);
}

QList<QStringList> tableRows(const SortGridData& grid) {
    QList<QStringList> rows;
    for (int row = 0; row < grid.RowCount(); ++row)
        rows << grid.rowCells(row);
    return rows;
}

} // namespace

class TestProtocolWorkbook : public QObject {
    Q_OBJECT

private slots:
    // Saved and loaded back, every text returns unchanged; a hidden "Platz" leaves the
    // tenth sheet column empty but bordered. openpyxl sees the same sheet.
    void roundTrip_data() {
        QTest::addColumn<bool>("platzHidden");
        QTest::newRow("Platz shown") << false;
        QTest::newRow("Platz hidden") << true;
    }
    void roundTrip() {
        QFETCH(bool, platzHidden);
        SortGridData saved;
        fillProtocol(saved);
        saved.setColWidth(colPlatz, platzHidden ? -1 : 40);
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("Lauf.xlsx"));
        QVERIFY(QFile(fileName).open(QIODevice::WriteOnly)); // an existing file is replaced
        const WorkbookProperties properties{"Zeitmessung Beschleunigung", "Sprint Cup", "Tarvolt", "Tarvolt"};
        QVERIFY(saveProtocolWorkbook(saved, fileName, properties));

        const WorkbookRows read = readWorkbookRows(fileName, protocolColumnCount, german);
        QVERIFY2(read.ok(), qPrintable(read.error));
        SortGridData loaded;
        setupProtocolGrid(loaded);
        QVERIFY(setProtocolRowsFromWorkbook(loaded, read.rows));
        QList<QStringList> expected = tableRows(saved);
        if (platzHidden)
            for (int row = 1; row < expected.size(); ++row)
                expected[row][colPlatz].clear();
        QCOMPARE(tableRows(loaded), expected);

        const QJsonObject dump = dumpWorkbook(fileName);
        QCOMPARE(dump["sheet"].toString(), QStringLiteral("Tarvolt"));
        QCOMPARE(dump["orientation"].toString(), QStringLiteral("landscape"));
        QCOMPARE(dump["author"].toString(), QStringLiteral("Zeitmessung Beschleunigung"));
        QCOMPARE(dump["title"].toString(), QStringLiteral("Sprint Cup"));
        QCOMPARE(dump["subject"].toString(), QStringLiteral("Tarvolt"));
        QList<QStringList> sheet = expected;
        if (platzHidden)
            sheet[0][colPlatz].clear();
        const QJsonArray cells = dump["cells"].toArray();
        QCOMPARE(cells.size(), 4);
        for (int row = 0; row < 4; ++row) {
            const QStringList values = cellValues(dump, row);
            QCOMPARE(values.size(), protocolColumnCount);
            QCOMPARE(values, sheet[row]);
            for (const QJsonValue cell : cells.at(row).toArray()) {
                QCOMPARE(cell["bold"].toBool(), row == 0);
                QCOMPARE(cell["border"].toString(), row == 0 ? QStringLiteral("medium") : QStringLiteral("thin"));
            }
        }
        // Fitted to the texts: the name column is wider than the number column.
        const QJsonArray widths = dump["widths"].toArray();
        QVERIFY(widths.at(colName).toDouble() > widths.at(colNr).toDouble() + 5);
    }

    // Files written by LibreOffice Calc: numbers come back in the locale's format, the
    // header of columns 4 to 9 stays the program's, an empty row is skipped and the rows
    // below it are read.
    void calcFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("xlsx") << QStringLiteral("calc_protocol.xlsx");
        QTest::newRow("xls") << QStringLiteral("calc_protocol.xls");
    }
    void calcFiles() {
        QFETCH(QString, name);
        const WorkbookRows read = readWorkbookRows(QStringLiteral(TARVOLT_TEST_DATA "/data/") + name, 10, german);
        QVERIFY2(read.ok(), qPrintable(read.error));
        SortGridData grid;
        setupProtocolGrid(grid);
        QVERIFY(setProtocolRowsFromWorkbook(grid, read.rows));
        const QList<QStringList> expected{
            {"Nr.", "Fahrer", "Fahrzeug", "Gruppe", "Zw.Zeit", "Ø-km/h", "Vmax", "End-Zeit", "Zeit", "Platz"},
            {"1", "Müller", "Golf GTI", "A", "3,25", "98,5", "123,45", "9,8", "8,5", "1"},
            {"2", "Jörg Groß", "Opel", "B", "-", "-", "-", "-", "AUS", ""},
            {"3", "Anna", "", "", "", "", "", "", "", ""},
            {"9", "Hinter der Lücke", "", "", "", "", "", "", "", ""}};
        QCOMPARE(tableRows(grid), expected);
    }

    // Hostile and broken workbooks are refused with a reason; nothing is returned.
    void refusesHostileFiles() {
        QTemporaryDir folder;
        QCOMPARE(runPython({QStringLiteral(TARVOLT_TEST_DATA "/make_hostile_workbooks.py"), folder.path()}), "ok\n");
        SortGridData grid;
        fillProtocol(grid);
        const QString good = folder.filePath(QStringLiteral("good.xlsx"));
        QVERIFY(saveProtocolWorkbook(grid, good, {}));
        QFile file(good);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(readXlsxRows(bytes, 10, german).ok());

        // multiply.xlsx is 400 KB but names a 9,000-character text in 200,000 cells: a table no
        // backup could hold. cover.xlsx has its data on the second sheet only.
        const QList<std::pair<QString, QString>> cases{
            {"bomb.xlsx", "zu groß"},     {"rows.xlsx", "zu viele Zeilen"}, {"cell.xlsx", "zu lang"},
            {"index.xlsx", "beschädigt"}, {"multiply.xlsx", "zu groß"},     {"cover.xlsx", "keine Startnummern"}};
        for (const auto& [name, reason] : cases) {
            const WorkbookRows read = readWorkbookRows(folder.filePath(name), 10, german);
            QVERIFY2(read.error.contains(reason), qPrintable(name + QStringLiteral(": ") + read.error));
            QVERIFY(read.rows.isEmpty());
        }
        QVERIFY(!readXlsxRows(bytes.left(bytes.size() / 2), 10, german).ok());
        QVERIFY(!readXlsxRows("PK\x03\x04 not a zip", 10, german).ok());
        WorkbookLimits small;
        small.unpackedBytes = 2000;
        QVERIFY(readXlsxRows(bytes, 10, german, small).error.contains(QStringLiteral("zu groß")));
        QVERIFY(!readWorkbookRows(folder.filePath(QStringLiteral("missing.xlsx")), 10, german).ok());
    }

    // The legacy reader runs in a child: its rows come back whole, and a child that
    // crashes, hangs or answers without end is a refusal, never this process's end.
    void childReaderContainsFaults() {
        using namespace std::chrono_literals;
        const QString failed = QStringLiteral("beschädigt");
        const WorkbookRows good = readInChildProcess(
            [] {
                return WorkbookRows{{{QStringLiteral("1"), QStringLiteral("Jörg")}}, {}};
            },
            5s, 1 << 20, failed);
        QCOMPARE(good.rows, (QList<QStringList>{{QStringLiteral("1"), QStringLiteral("Jörg")}}));
        QVERIFY(good.ok());
        const auto crash = []() -> WorkbookRows {
            ::signal(SIGSEGV, SIG_DFL);
            ::raise(SIGSEGV);
            return {};
        };
        QCOMPARE(readInChildProcess(crash, 5s, 1 << 20, failed).error, failed);
        const auto hang = []() -> WorkbookRows {
            ::pause();
            return {};
        };
        QCOMPARE(readInChildProcess(hang, 200ms, 1 << 20, failed).error, failed);
        const auto flood = [] {
            ::signal(SIGPIPE, SIG_DFL); // the test library's handler would report the cut answer as a crash
            return WorkbookRows{{QStringList(1000, QString(1000, u'x'))}, {}};
        };
        QCOMPARE(readInChildProcess(flood, 5s, 1 << 16, failed).error, failed);
    }

    // No rows, or the header alone, is no protocol: the table stays as it was. An empty
    // header cell keeps the program's text.
    void headerAloneChangesNothing() {
        SortGridData grid;
        fillProtocol(grid);
        const QList<QStringList> before = tableRows(grid);
        QVERIFY(!setProtocolRowsFromWorkbook(grid, {}));
        QVERIFY(!setProtocolRowsFromWorkbook(grid, {QStringList{"Nr", "N", "F", "G", "a", "b", "c", "d", "e", "f"}}));
        QCOMPARE(tableRows(grid), before);
        QVERIFY(setProtocolRowsFromWorkbook(grid, {QStringList{"Nr", "", "F"}, QStringList{"5", "Eva"}}));
        QCOMPARE(grid.rowCells(0).mid(0, 5), (QStringList{"Nr", "Name", "F", "Gruppe", "Zw.Zeit"}));
        QCOMPARE(grid.RowCount(), 2);
    }

    // A loaded sheet's own header ("Nr", "Startnummer") is shown, but the saved workbook
    // starts with the program's header, so that it never comes back as a competitor.
    void savedHeaderIsTheProgramsOwn() {
        SortGridData grid;
        fillProtocol(grid);
        const QStringList sheetHeader{"Startnummer", "Fahrer", "Auto", "Klasse"};
        for (int col = 0; col < sheetHeader.size(); ++col)
            grid.setCell(col, 0, sheetHeader[col]);
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("Kopf.xlsx"));
        QVERIFY(saveProtocolWorkbook(grid, fileName, {}));
        const WorkbookRows read = readWorkbookRows(fileName, protocolColumnCount, german);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.rows.first(), protocolHeaderTexts());
        QCOMPARE(read.rows.mid(1), tableRows(grid).mid(1));
    }

    // Blank lines between groups and a row whose "Nr." was cleared: the workbook gives back
    // the same rows as the text file, every starter below a gap included.
    void gapsReadLikeTheTextFile() {
        SortGridData grid;
        setupProtocolGrid(grid);
        const QList<QStringList> rows{{"1", "Anna"}, {"2", "Bert"},       {},
                                      {"3", "Cleo"}, {"", "ohne Nummer"}, {"4", "Dora"}};
        grid.setRowCount(int(rows.size()) + 1);
        for (int row = 0; row < rows.size(); ++row)
            for (int col = 0; col < rows[row].size(); ++col)
                grid.setCell(col, row + 1, rows[row][col]);
        QTemporaryDir folder;
        const QString workbook = folder.filePath(QStringLiteral("Startliste.xlsx"));
        QVERIFY(saveProtocolWorkbook(grid, workbook, {}));
        const WorkbookRows read = readWorkbookRows(workbook, protocolColumnCount, german);
        QVERIFY2(read.ok(), qPrintable(read.error));
        SortGridData fromWorkbook;
        setupProtocolGrid(fromWorkbook);
        QVERIFY(setProtocolRowsFromWorkbook(fromWorkbook, read.rows));
        SortGridData fromText;
        setupProtocolGrid(fromText);
        QVERIFY(setProtocolRowsFromText(fromText, protocolTextBytes(grid)));
        QCOMPARE(protocolColumn(fromWorkbook, colNr), (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(protocolColumn(fromWorkbook, colName), protocolColumn(fromText, colName));
    }

    // Control characters and texts that look like the format's own escapes come back as
    // they were, and another reader sees the literal text too.
    void escapedTextsComeBack() {
        const QStringList names{QStringLiteral("Bell\x01e"), QStringLiteral("x_x0041_y"),
                                QStringLiteral("_x0041_x0042_"), QStringLiteral("_x005F_"), QStringLiteral("_x12_")};
        SortGridData grid;
        setupProtocolGrid(grid);
        grid.setRowCount(int(names.size()) + 1);
        for (int row = 0; row < names.size(); ++row) {
            grid.setCell(colNr, row + 1, QString::number(row + 1));
            grid.setCell(colName, row + 1, names[row]);
        }
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("Zeichen.xlsx"));
        QVERIFY(saveProtocolWorkbook(grid, fileName, {}));
        const WorkbookRows read = readWorkbookRows(fileName, protocolColumnCount, german);
        QVERIFY2(read.ok(), qPrintable(read.error));
        SortGridData loaded;
        setupProtocolGrid(loaded);
        QVERIFY(setProtocolRowsFromWorkbook(loaded, read.rows));
        QCOMPARE(protocolColumn(loaded, colName), names);
        const QJsonObject dump = dumpWorkbook(fileName);
        QCOMPARE(cellValues(dump, 2).at(colName), names[1]);
        QCOMPARE(cellValues(dump, 3).at(colName), names[2]);
    }

    // A text longer than a cell holds fails the save with the table row it is in; an
    // existing file stays.
    void overlongCellNamesItsRow() {
        SortGridData grid;
        fillProtocol(grid);
        grid.setCell(colName, 2, QString(40000, u'n'));
        QTemporaryDir folder;
        const QString fileName = folder.filePath(QStringLiteral("Lang.xlsx"));
        QFile old(fileName);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("alt") == 3);
        old.close();
        QString reason;
        QVERIFY(!saveProtocolWorkbook(grid, fileName, {}, &reason));
        QVERIFY2(reason.contains(QStringLiteral("Zeile 2")), qPrintable(reason));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("alt"));
    }

    // Date and time cells read as the text their format shows, not as day numbers.
    void datesAndTimesAsShown() {
        QTemporaryDir folder;
        QCOMPARE(runPython({QStringLiteral(TARVOLT_TEST_DATA "/make_hostile_workbooks.py"), folder.path()}), "ok\n");
        const WorkbookRows read = readWorkbookRows(folder.filePath(QStringLiteral("dates.xlsx")), 10, german);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.rows.size(), 2);
        QCOMPARE(read.rows[1].mid(0, 6),
                 (QStringList{"1", "01.06.2024", "00:04,5", "12:30:00", "2,5", "01/06/2024 18:00 Uhr"}));
    }

    // Only plain files are read: a device or a pipe is refused at once, never read.
    void onlyPlainFiles() {
        QTemporaryDir folder;
        const QString pipe = folder.filePath(QStringLiteral("rohr.xlsx"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        for (const QString& name : {QStringLiteral("/dev/zero"), pipe}) {
            // Read aside, so that a reader that blocks fails this test instead of hanging it.
            auto done = std::make_shared<std::atomic<bool>>(false);
            auto error = std::make_shared<QString>();
            std::thread([name, done, error] {
                *error = readWorkbookRows(name, 10, german).error;
                done->store(true);
            }).detach();
            QTRY_VERIFY_WITH_TIMEOUT(done->load(), 10000);
            QVERIFY2(error->contains(QStringLiteral("keine Arbeitsmappe")), qPrintable(*error));
        }
    }

    void exportTexts() {
        QCOMPARE(exportCellText(colZeit, QStringLiteral("1.02,345")), QStringLiteral("1.02.345"));
        QCOMPARE(exportCellText(colEndZeit, QStringLiteral("1,2,3")), QStringLiteral("1.2,3"));
        // Names, vehicles and groups are written as they are.
        for (int col : {colNr, colName, colFahrzeug, colGruppe})
            QCOMPARE(exportCellText(col, QStringLiteral("Müller, Max")), QStringLiteral("Müller, Max"));
        QCOMPARE(exportCellText(colZwZeit, QStringLiteral("2,345")), QStringLiteral("2.345"));
        QCOMPARE(exportCellText(colPlatz, QStringLiteral("1,")), QStringLiteral("1."));
        const QList<std::pair<QString, int>> places{
            {"123.45", 2}, {"12", 0},  {"-0.500", 3}, {"1.02.345", -1},        {"007", -1}, {"-", -1}, {"AUS", -1},
            {" 1", -1},    {"1.", -1}, {"", -1},      {"1234567890123456", -1}};
        for (const auto& [text, expected] : places)
            QCOMPARE(plainDecimalPlaces(text), expected);
        QCOMPARE(workbookNumberText(8.5, german), QStringLiteral("8,5"));
        QCOMPARE(workbookNumberText(12345.25, german), QStringLiteral("12345,25"));
        QCOMPARE(workbookNumberText(-0.0, QLocale::c()), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(TestProtocolWorkbook)
#include "test_protocol_workbook.moc"
