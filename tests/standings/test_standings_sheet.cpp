// The standings sheet "Wertung" in both workbooks: after the protocol's sheet, which stays as
// it was, so loading a saved workbook gives the same protocol as before.

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_workbook.h"
#include "protocol/workbook_reader.h"
#include "standings/standings_sheet.h"

#include "protocol_test_grid.h"
#include "workbook_dump.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QLocale german(QLocale::German, QLocale::Germany);

bool isBold(const QJsonObject& dump, int row) {
    return dump["cells"].toArray().at(row).toArray().at(0).toObject()["bold"].toBool();
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStandingsSheet : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    SortGridData m_grid;

private slots:
    void init() {
        fillProtocol(m_grid,
                     {groupRunRow("3", "Klasse A", "5,900", "Jürgen"), groupRunRow("4", "Klasse A", "5,800", "Uwe"),
                      groupRunRow("3", "Klasse A", "5,700"), groupRunRow("9", "", "-", "Ida")});
    }

    void savedWorkbookKeepsTheProtocolFirst() {
        WorkbookProperties properties;
        properties.sheetName = QStringLiteral("Tarvolt");
        const QString plain = m_dir.filePath(QStringLiteral("plain.xlsx"));
        QVERIFY(saveProtocolWorkbook(m_grid, plain, properties));
        const QString both = m_dir.filePath(QStringLiteral("both.xlsx"));
        QVERIFY(saveProtocolWorkbook(m_grid, both, properties, nullptr, {standingsSheet(m_grid, 2)}));

        // The protocol's sheet is the same, and a load reads the same rows.
        QJsonObject first = dumpWorkbook(both);
        QCOMPARE(first["sheets"].toArray().toVariantList(), (QVariantList{"Tarvolt", "Wertung"}));
        first.remove("sheets");
        QJsonObject before = dumpWorkbook(plain);
        before.remove("sheets");
        QVERIFY(!before.isEmpty());
        QCOMPARE(first, before);
        const WorkbookRows loadedBoth = readWorkbookRows(both, protocolColumnCount, german);
        const WorkbookRows loadedPlain = readWorkbookRows(plain, protocolColumnCount, german);
        QVERIFY(loadedBoth.ok());
        QCOMPARE(loadedBoth.rows, loadedPlain.rows);

        // The standings, texts as the window shows them.
        const QJsonObject standings = dumpWorkbook(both, 1);
        QCOMPARE(standings["sheet"].toString(), QStringLiteral("Wertung"));
        QCOMPARE(cellValues(standings, 0).value(0), QStringLiteral("Klasse A"));
        QVERIFY(isBold(standings, 0));
        QCOMPARE(cellValues(standings, 1),
                 (QStringList{"Platz", "Nr.", "Name", "Fahrzeug", "Summe Zeit", "Gewertet", "Läufe", "Abstand"}));
        QVERIFY(isBold(standings, 1));
        QCOMPARE(cellValues(standings, 2), (QStringList{"1", "3", "Jürgen", "", "11,600", "5,700 + 5,900", "2", ""}));
        QVERIFY(!isBold(standings, 2));
        QCOMPARE(cellValues(standings, 3).mid(0, 5), (QStringList{"2", "4", "Uwe", "", "5,800"}));
        QCOMPARE(cellValues(standings, 5).value(0), QStringLiteral("ohne Gruppe"));
        QCOMPARE(cellValues(standings, 7).mid(0, 3), (QStringList{"", "9", "Ida"}));
    }

    void spreadsheetExportAddsTheSheetWithNumbers() {
        const QString plain = m_dir.filePath(QStringLiteral("export-plain.xlsx"));
        const QString both = m_dir.filePath(QStringLiteral("export-both.xlsx"));
        QVERIFY(saveSpreadsheetExport(m_grid, plain, QStringLiteral("Tarvolt")));
        QVERIFY(saveSpreadsheetExport(m_grid, both, QStringLiteral("Tarvolt"), nullptr, TargetLinks::Follow,
                                      {standingsSheet(m_grid, 1)}));
        QJsonObject first = dumpWorkbook(both);
        QJsonObject before = dumpWorkbook(plain);
        QCOMPARE(first["sheets"].toArray().size(), 2);
        first.remove("sheets");
        before.remove("sheets");
        QCOMPARE(first, before);
        const QJsonObject standings = dumpWorkbook(both, 1);
        const QJsonObject best = standings["cells"].toArray().at(2).toArray().at(4).toObject();
        QCOMPARE(best["value"].toDouble(), 5.7);
        QCOMPARE(best["format"].toString(), QStringLiteral("0.000"));
        QCOMPARE(cellValues(standings, 3).value(6), QStringLiteral("+0,100")); // a gap is no number to add
        QVERIFY(contentsOf(both).size() > contentsOf(plain).size());
    }
};

QTEST_GUILESS_MAIN(TestStandingsSheet)
#include "test_standings_sheet.moc"
