#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
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

#include <csignal>
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
        setProtocolRowsFromWorkbook(loaded, read.rows);
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
    // header of columns 4 to 9 stays the program's, rows end at the first empty "Nr.".
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
        setProtocolRowsFromWorkbook(grid, read.rows);
        const QList<QStringList> expected{
            {"Nr.", "Fahrer", "Fahrzeug", "Gruppe", "Zw.Zeit", "Ø-km/h", "Vmax", "End-Zeit", "Zeit", "Platz"},
            {"1", "Müller", "Golf GTI", "A", "3,25", "98,5", "123,45", "9,8", "8,5", "1"},
            {"2", "Jörg Groß", "Opel", "B", "-", "-", "-", "-", "AUS", ""},
            {"3", "Anna", "", "", "", "", "", "", "", ""}};
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

        const QList<std::pair<QString, QString>> cases{{"bomb.xlsx", "zu groß"},
                                                       {"rows.xlsx", "zu viele Zeilen"},
                                                       {"cell.xlsx", "zu lang"},
                                                       {"index.xlsx", "beschädigt"}};
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

    // No rows, or the header alone: the header row and one empty data row.
    void emptySheetKeepsHeaderAndOneRow() {
        SortGridData grid;
        fillProtocol(grid);
        setProtocolRowsFromWorkbook(grid, {});
        QCOMPARE(tableRows(grid), (QList<QStringList>{protocolHeaderTexts(), QStringList(10)}));
        setProtocolRowsFromWorkbook(grid, {QStringList{"Nr", "N", "F", "G", "a", "b", "c", "d", "e", "f"}});
        QCOMPARE(grid.RowCount(), 2);
        QCOMPARE(grid.rowCells(0).mid(0, 5), (QStringList{"Nr", "N", "F", "G", "Zw.Zeit"}));
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
