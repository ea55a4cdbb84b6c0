#include "protocol/protocol_ranking.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "protocol/protocol_text_format.h"
#include "protocol/text_file_codec.h"
#include "protocol_test_grid.h"
#include "unprivileged_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestProtocolTextFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void writesTheFormat();
    void roundTripKeepsRows();
    void roundTripKeepsAwkwardCells();
    void readsLines_data();
    void readsLines();
    void emptyLineIsDroppedByTheNextSave();
    void loadRanksAndGivesStartNumbers_data();
    void loadRanksAndGivesStartNumbers();
    void readsWindows1252File();
    void characterOutsideWindows1252SurvivesAsUtf8();
    void failedSaveKeepsOldFile();
    void unusableFileLeavesTableUnchanged_data();
    void unusableFileLeavesTableUnchanged();
    void missingBackupGivesEmptyProtocol();
    void sheetHeaderIsNeverWrittenAsARow();
    void tableBeyondTheBackupIsRefused();

private:
    QByteArray fileBytes(const QString& fileName) const;
    void writeBytes(const QString& fileName, const QByteArray& bytes) const;
    ProtocolLoadResult load(SortGridData& grid, const QByteArray& bytes);

    QTemporaryDir m_dir;
    QString m_file;
};

void TestProtocolTextFile::init() {
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath("protokoll.txt");
    QFile::remove(m_file);
}

QByteArray TestProtocolTextFile::fileBytes(const QString& fileName) const {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestProtocolTextFile::writeBytes(const QString& fileName, const QByteArray& bytes) const {
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

ProtocolLoadResult TestProtocolTextFile::load(SortGridData& grid, const QByteArray& bytes) {
    writeBytes(m_file, bytes);
    setupProtocolGrid(grid);
    return loadProtocolText(grid, m_file, true, "1");
}

void TestProtocolTextFile::writesTheFormat() {
    SortGridData grid;
    fillProtocol(grid, {runRow("3", "5,000", "", "1"), runRow("", "6,000"), runRow("4", "7,000", "-", "2")});
    grid.setColWidth(colPlatz, -1); // hidden columns are written as well
    QVERIFY(saveProtocolText(grid, m_file));
    const QByteArray expected = "Nr.\tName\tFahrzeug\tGruppe\tZw.Zeit\t\xD8-km/h\tVmax\tEnd-Zeit\tZeit\tPlatz\t\r\n"
                                "3\t \t \t \t \t \t \t \t5,000\t1\t\r\n"
                                "4\t \t \t \t \t \t-\t \t7,000\t2\t\r\n";
    QCOMPARE(fileBytes(m_file), expected);
}

void TestProtocolTextFile::roundTripKeepsRows() {
    SortGridData grid;
    fillProtocol(grid, {{"3", "Anna", "Golf", "A", "2,100", "80,00", "120,00", "0,900", "6,500", ""},
                        {"5", "", "Polo", "", "-", "85,00", "-", "-", "6,100", ""},
                        {"8", "Carl", "", "B", "-", "", "", "", "", ""}});
    rankProtocol(grid, true, "3");
    QVERIFY(saveProtocolText(grid, m_file));

    SortGridData loaded;
    setupProtocolGrid(loaded);
    const ProtocolLoadResult result = loadProtocolText(loaded, m_file, true, "3");
    QVERIFY(result.loaded);
    QCOMPARE(loaded.RowCount(), grid.RowCount());
    for (int row = 0; row < grid.RowCount(); ++row) {
        QStringList expected = grid.rowCells(row);
        for (QString& cell : expected) {
            if (cell.isEmpty())
                cell = " ";
        }
        QCOMPARE(loaded.rowCells(row), expected);
    }
    // The blank cells count as empty: the unfinished run keeps its blank "Platz".
    QCOMPARE(protocolColumn(loaded, colPlatz), (QStringList{"1", "2", " "}));
    QCOMPARE(loaded.Row(), 2);
    QVERIFY(protocolButtonsEnabled(loaded));
}

void TestProtocolTextFile::roundTripKeepsAwkwardCells() {
    SortGridData grid;
    fillProtocol(grid, {{"7", "Nr. 7", "Team;Süd", "\"A\"", "", "", "", "", "5,000"},
                        {"9", "Max\tMuster\r\nmann", " Rot ", "", "", "", "", "", "6,000"}});
    QVERIFY(saveProtocolText(grid, m_file));
    SortGridData loaded;
    setupProtocolGrid(loaded);
    QVERIFY(loadProtocolText(loaded, m_file, true, "7").loaded);
    QCOMPARE(loaded.RowCount(), 3);
    QCOMPARE(loaded.cell(colName, 1), "Nr. 7");
    QCOMPARE(loaded.cell(colFahrzeug, 1), QString::fromUtf8("Team;Süd"));
    QCOMPARE(loaded.cell(colGruppe, 1), "\"A\"");
    // A TAB or line break inside a cell must not split the row or shift its cells.
    QCOMPARE(loaded.cell(colName, 2), "Max Muster  mann");
    QCOMPARE(loaded.cell(colFahrzeug, 2), " Rot ");
    QCOMPARE(loaded.cell(colZeit, 2), "6,000");
}

void TestProtocolTextFile::readsLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QStringList>>("rows");
    const QStringList empty(protocolColumnCount);
    auto row = [&](const QStringList& first) {
        QStringList cells = empty;
        for (int i = 0; i < first.size(); ++i)
            cells[i] = first[i];
        return cells;
    };
    QTest::newRow("semicolon run counts as one") << QByteArray("a;;b\r\n") << QList<QStringList>{row({"a", "b"})};
    QTest::newRow("leading semicolon gives a blank Nr.")
        << QByteArray(";a;b\r\n") << QList<QStringList>{row({" ", "a", "b"})};
    // The stale place of a run without a time becomes "-" in the ranking after the load.
    QTest::newRow("more than ten fields keep the first ten")
        << QByteArray("1;2;3;4;5;6;7;8;-;10;11;12\r\n")
        << QList<QStringList>{QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "-", "-"}};
    QTest::newRow("header line dropped, Nr. 7 kept")
        << QByteArray("Nr.;Name\r\n7;Nr. 7\r\n") << QList<QStringList>{row({"7", "Nr. 7"})};
    QTest::newRow("lf and no final line end")
        << QByteArray("1\tA\n2\tB") << QList<QStringList>{row({"1", "A"}), row({"2", "B"})};
    QTest::newRow("empty file") << QByteArray() << QList<QStringList>{empty};
    QTest::newRow("header only") << QByteArray("Nr.\tName\t\r\n") << QList<QStringList>{empty};
}

void TestProtocolTextFile::readsLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, rows);
    SortGridData grid;
    QVERIFY(load(grid, bytes).loaded);
    QList<QStringList> data = protocolRows(grid);
    QCOMPARE(data.takeFirst(), protocolHeaderTexts());
    QCOMPARE(data, rows);
}

// An empty line is no row: after a descending sort it would be row 1 and shut the protocol buttons.
void TestProtocolTextFile::emptyLineIsDroppedByTheNextSave() {
    SortGridData grid;
    QVERIFY(load(grid, "1;A\r\n\r\n2;B\r\n").loaded);
    QCOMPARE(protocolColumn(grid, colNr), (QStringList{"1", "2"}));
    QVERIFY(saveProtocolText(grid, m_file));
    SortGridData again;
    setupProtocolGrid(again);
    QVERIFY(loadProtocolText(again, m_file, true, "1").loaded);
    QCOMPARE(protocolColumn(again, colNr), (QStringList{"1", "2"}));
}

void TestProtocolTextFile::loadRanksAndGivesStartNumbers_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("next");
    QTest::addColumn<QStringList>("platz");
    const int absent = -1;
    QTest::newRow("one row") << QByteArray("5\tA\t \t \t \t \t \t \t9,000\t \t\r\n") << 5 << absent << QStringList{"1"};
    // Ranked first, so the faster run's number becomes the start number.
    QTest::newRow("two rows") << QByteArray("7;A;x;x;x;x;x;x;9,000;1\r\n5;B;x;x;x;x;x;x;8,000;2\r\n") << 5 << 7
                              << QStringList{"1", "2"};
    QTest::newRow("first row without a number") << QByteArray("x;A;x;x;x;x;x;x;8,000\r\n5;B;x;x;x;x;x;x;9,000\r\n")
                                                << absent << absent << QStringList{"1", "2"};
}

void TestProtocolTextFile::loadRanksAndGivesStartNumbers() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, start);
    QFETCH(int, next);
    QFETCH(QStringList, platz);
    SortGridData grid;
    const ProtocolLoadResult result = load(grid, bytes);
    QVERIFY(result.loaded);
    QCOMPARE(result.startNumbers.startNumber.value_or(-1), start);
    QCOMPARE(result.startNumbers.nextStarter.value_or(-1), next);
    QCOMPARE(protocolColumn(grid, colPlatz), platz);
}

void TestProtocolTextFile::readsWindows1252File() {
    // As the Windows program wrote it: one byte per character, "Ø" is 0xD8.
    const QByteArray bytes = "Nr.\tName\tFahrzeug\tGruppe\tZw.Zeit\t\xD8-km/h\tVmax\tEnd-Zeit\tZeit\tPlatz\t\r\n"
                             "3\tJ\xFCrgen M\xFCller\tK\xE4"
                             "fer\tGro\xDF\t2,345\t80,00\t-\t-\t6,500\t1\t\r\n";
    SortGridData grid;
    QVERIFY(load(grid, bytes).loaded);
    QCOMPARE(grid.RowCount(), 2);
    QCOMPARE(grid.cell(colName, 1), QString::fromUtf8("Jürgen Müller"));
    QCOMPARE(grid.cell(colFahrzeug, 1), QString::fromUtf8("Käfer"));
    QCOMPARE(grid.cell(colGruppe, 1), QString::fromUtf8("Groß"));
    QCOMPARE(grid.cell(colZeit, 1), "6,500");
    // Saved again, the file is byte for byte what the Windows program wrote.
    QVERIFY(saveProtocolText(grid, m_file));
    QCOMPARE(fileBytes(m_file), bytes);
}

void TestProtocolTextFile::characterOutsideWindows1252SurvivesAsUtf8() {
    SortGridData grid;
    fillProtocol(grid,
                 {{"4", QString::fromUtf8("Łukasz Nowak"), QString::fromUtf8("Škoda"), "", "", "", "", "", "7,000"}});
    QVERIFY(saveProtocolText(grid, m_file));
    QVERIFY(fileBytes(m_file).startsWith("\xEF\xBB\xBFNr.\tName"));
    SortGridData loaded;
    setupProtocolGrid(loaded);
    QVERIFY(loadProtocolText(loaded, m_file, true, "4").loaded);
    QCOMPARE(loaded.cell(colName, 1), QString::fromUtf8("Łukasz Nowak"));
    QCOMPARE(loaded.cell(colFahrzeug, 1), QString::fromUtf8("Škoda"));
    QCOMPARE(loaded.cell(colSchnitt, 0), QString::fromUtf8("Ø-km/h"));
}

void TestProtocolTextFile::failedSaveKeepsOldFile() {
    const QString folder = m_dir.filePath("readonly");
    QVERIFY(QDir().mkpath(folder));
    const QString fileName = folder + "/Tarvolt-Sicherungsdatei.txt";
    writeBytes(fileName, "old backup");
    QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    QFile::setPermissions(m_dir.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);

    SortGridData grid;
    fillProtocol(grid, {runRow("1", "5,000")});
    const std::optional<bool> reported = runUnprivileged([&] {
        QString reason;
        return !saveProtocolText(grid, fileName, &reason) && !reason.isEmpty();
    });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!reported)
        QSKIP("cannot drop root rights here");
    QVERIFY2(*reported, "the failed save must be reported with a reason");
    QCOMPARE(fileBytes(fileName), QByteArray("old backup"));
}

void TestProtocolTextFile::unusableFileLeavesTableUnchanged_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("refused");
    QTest::newRow("missing file") << "missing.txt" << QByteArray() << false;
    QTest::newRow("folder") << "folder" << QByteArray() << true;
    QTest::newRow("over 16 MiB") << "big.txt" << QByteArray() << true;
    QTest::newRow("NUL byte") << "nul.txt" << QByteArray("1\tAnna\0\t\r\n", 10) << true;
    QTest::newRow("NUL in utf-16") << "nul16.txt"
                                   << QByteArray("\xFF\xFE"
                                                 "1\0\t\0\0\0",
                                                 8)
                                   << true;
    QTest::newRow("more lines than rows") << "many.txt" << QByteArray("1\n").repeated(maxProtocolRows + 1) << true;
}

void TestProtocolTextFile::unusableFileLeavesTableUnchanged() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, refused);
    QVERIFY(QDir().mkpath(m_dir.filePath("folder")));
    if (!bytes.isEmpty())
        writeBytes(m_dir.filePath(name), bytes);
    QFile big(m_dir.filePath("big.txt")); // sparse, so nothing is really written
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(maxProtocolFileBytes + 1));
    SortGridData grid;
    fillProtocol(grid, {runRow("2", "6,000", "", "2"), runRow("1", "5,000", "", "1")});
    const QList<QStringList> before = protocolRows(grid);
    const ProtocolLoadResult result = loadProtocolText(grid, m_dir.filePath(name), true, "1");
    QVERIFY(!result.loaded);
    QCOMPARE(result.refused, refused);
    QVERIFY(!result.startNumbers.startNumber && !result.startNumbers.nextStarter);
    QCOMPARE(protocolRows(grid), before);
}

void TestProtocolTextFile::missingBackupGivesEmptyProtocol() {
    SortGridData grid;
    setupProtocolGrid(grid);
    QVERIFY(!loadProtocolText(grid, m_dir.filePath("Tarvolt-Sicherungsdatei.txt"), true, "1").loaded);
    QCOMPARE(grid.RowCount(), 2);
    QVERIFY(!protocolButtonsEnabled(grid));
}

// A workbook's own header in row 0 ("Nr", "Startnummer", "#") is shown, but the file
// starts with the program's header line, so no header comes back as Platz 1.
void TestProtocolTextFile::sheetHeaderIsNeverWrittenAsARow() {
    for (const QString& first : {QStringLiteral("Nr"), QStringLiteral("Startnummer"), QStringLiteral("#")}) {
        SortGridData grid;
        fillProtocol(grid, {runRow("7", "8,500"), runRow("3", "9,100")});
        grid.setCell(colNr, 0, first);
        grid.setCell(colName, 0, QStringLiteral("Fahrer"));
        const QByteArray bytes = protocolTextBytes(grid);
        QVERIFY(bytes.startsWith(encodeTextFile(protocolTextLine(protocolHeaderTexts()))));
        SortGridData loaded;
        setupProtocolGrid(loaded);
        QVERIFY(setProtocolRowsFromText(loaded, bytes));
        QCOMPARE(protocolColumn(loaded, colNr), (QStringList{"7", "3"}));
    }
}

// Every loader accepts only a table whose backup the reader takes again: rows that
// would write a backup over the size limit are refused and the table stays.
void TestProtocolTextFile::tableBeyondTheBackupIsRefused() {
    const int cellChars = 1000;
    // Rows of 10 cells x 1000 characters: 10,023 bytes each once written.
    const auto rowsOf = [&](qsizetype count) {
        return QList<QStringList>(count, QStringList(protocolColumnCount, QString(cellChars, u'x')));
    };
    const qsizetype fitting = (maxProtocolFileBytes - 200) / (protocolColumnCount * (cellChars + 1) + 2);
    QVERIFY(rowsFitBackup(rowsOf(fitting), protocolColumnCount));
    QVERIFY(!rowsFitBackup(rowsOf(fitting + 1), protocolColumnCount));
    QVERIFY(!rowsFitBackup(QList<QStringList>(maxProtocolRows + 1, QStringList{"1"}), protocolColumnCount));

    // A semicolon file is shorter than the backup it makes: "1;x" becomes ten tabbed cells.
    QByteArray text;
    const QByteArray line = "1;" + QByteArray(700, 'n') + "\n";
    while (text.size() + line.size() < maxProtocolFileBytes - 1024)
        text += line;
    SortGridData grid;
    fillProtocol(grid, {runRow("5", "7,000")});
    QVERIFY(!setProtocolRowsFromText(grid, text));
    QCOMPARE(protocolColumn(grid, colNr), QStringList{"5"});
}

QTEST_GUILESS_MAIN(TestProtocolTextFile)
#include "test_protocol_text_file.moc"
