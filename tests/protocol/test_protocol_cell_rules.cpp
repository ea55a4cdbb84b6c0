#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"

#include <QTest>

class TestProtocolCellRules : public QObject {
    Q_OBJECT

private slots:
    void look_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("currentRow");
        QTest::addColumn<bool>("left");
        QTest::addColumn<qint64>("background"); // -1: the grid's own
        QTest::newRow("header Nr.") << int(colNr) << 0 << 1 << true << qint64(-1);
        QTest::newRow("header Zeit") << int(colZeit) << 0 << 1 << true << qint64(-1);
        QTest::newRow("Nr.") << int(colNr) << 2 << 1 << false << qint64(0xDFD6D8);
        QTest::newRow("Name") << int(colName) << 2 << 1 << true << qint64(-1);
        QTest::newRow("Fahrzeug") << int(colFahrzeug) << 2 << 1 << true << qint64(-1);
        QTest::newRow("Gruppe") << int(colGruppe) << 2 << 1 << true << qint64(-1);
        QTest::newRow("Zw.Zeit") << int(colZwZeit) << 2 << 1 << false << qint64(0xC0FFFF);
        QTest::newRow("Ø-km/h") << int(colSchnitt) << 2 << 1 << false << qint64(0xA2D4FC);
        QTest::newRow("Vmax") << int(colVmax) << 2 << 1 << false << qint64(0xA2D4FC);
        QTest::newRow("End-Zeit") << int(colEndZeit) << 2 << 1 << false << qint64(0xA2D4FC);
        QTest::newRow("Zeit") << int(colZeit) << 2 << 1 << false << qint64(0xE0FFE0);
        QTest::newRow("Platz") << int(colPlatz) << 2 << 1 << false << qint64(0xFFE0E0);
        QTest::newRow("current row Zeit") << int(colZeit) << 2 << 2 << false << qint64(-1);
        QTest::newRow("current row Nr.") << int(colNr) << 1 << 1 << false << qint64(-1);
        QTest::newRow("current row Name") << int(colName) << 3 << 3 << true << qint64(-1);
    }
    void look() {
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(int, currentRow);
        QFETCH(bool, left);
        QFETCH(qint64, background);
        const ProtocolCellLook look = protocolCellLook(col, row, currentRow);
        QCOMPARE(look.leftJustify, left);
        QCOMPARE(look.background.has_value(), background >= 0);
        if (look.background)
            QCOMPARE(qint64(*look.background), background);
    }

    void typedColumns() {
        QString typed;
        for (int col = 0; col < protocolColumnCount; ++col)
            typed += isTypedProtocolColumn(col) ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(typed, QStringLiteral("0111000000"));
    }

    void positionText_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<QString>("text");
        QTest::newRow("row 3 of 12") << 3 << 13 << "3:12";
        QTest::newRow("empty protocol") << 1 << 2 << "1:1";
    }
    void positionText() {
        QFETCH(int, row);
        QFETCH(int, rowCount);
        QFETCH(QString, text);
        QCOMPARE(protocolPositionText(row, rowCount), text);
    }

    void blankCell_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("blank");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("one blank") << " " << true;
        QTest::newRow("tab and blanks") << " \t " << true;
        QTest::newRow("dash") << "-" << false;
        QTest::newRow("value with blanks") << " 5 " << false;
    }

    void blankCell() {
        QFETCH(QString, text);
        QFETCH(bool, blank);
        QCOMPARE(isBlankCell(text), blank);
    }
};

QTEST_GUILESS_MAIN(TestProtocolCellRules)
#include "test_protocol_cell_rules.moc"
