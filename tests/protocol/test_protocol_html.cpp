#include "controls/sort_grid_data.h"
#include "protocol/protocol_html.h"
#include "protocol/protocol_table.h"

#include <QTest>

class TestProtocolHtml : public QObject {
    Q_OBJECT

private slots:
    void pageBytes_data() {
        const QByteArray head =
            "<HTML>\r\n<HEAD>\r\n<!--Quillmere software -->\r\n<TITLE>Zeitenprotokoll Tarvolt</TITLE>\r\n"
            "<META name=keywords content=\"slalom, Zeitenprotokoll, quillmere, stopuhr, Tarvolt\">\r\n"
            "<META name=description content=\"Quillmere professional software development for all\">\r\n"
            "<META http-equiv=Content-Type content=\"text/html; charset=iso-8859-1\">\r\n</HEAD>\r\n"
            "<STYLE type=text/css>\r\n body {font-family: Arial}\r\n pre  {padding-left: 36px}\r\n"
            ".de   {line-height: 4px; width: 28px}\r\n</STYLE>\r\n<BODY bgcolor=#FFFFFF text=#000000>\r\n"
            "<DIV style=\"FILTER: Blur(direction=225, strength=6); WIDTH:100%\"><H2>&nbsp;Tarvolt</H2>\r\n</div>\r\n"
            "<H4>Zeitenprotokoll</H4>\r\n<table style=\"BORDER-COLLAPSE: collapse\" bgcolor=#FFFFFF "
            "borderColor=#808080 border=1 cellpadding=4 width=100%>\r\n<colgroup valign=top> <col align=right> <col> "
            "<col> <col> <col align=right> <col align=right> <col align=right>\r\n<col align=right>\r\n"
            "<col align=right>\r\n<col align=right> <col align=right> </colgroup>\r\n"
            "<thead align=left bgcolor=#91B5FF>\r\n<tr>\r\n<th width=5%>Nr.\r\n<th width=15% nowrap>Name\r\n"
            "<th width=15% nowrap>Fahrzeug\r\n<th width=15% nowrap>Gruppe\r\n<th width=10%>Zw.Zeit\r\n"
            "<th width=10%>\xD8-km/h\r\n<th width=8% nowrap>Vmax\r\n<th width=8% nowrap>End-Zeit\r\n"
            "<th width=8% nowrap>Zeit\r\n";
        const QByteArray foot =
            "</table>\r\n</table><P align=right><a href=\"https://www.quillmere.de/software/\" title=\"Tarvolt\">"
            "<FONT color=#FF0000>Quill</FONT><FONT color=#009900>m</FONT><FONT color=#999999>ere</FONT>"
            "<FONT color=#666600>&nbsp; Sport Software </FONT>&gt;&gt;</A></P></body></html>\r\n";
        const QByteArray platz = "<th width=5%>Platz\r\n</tr></thead>\r\n";
        const QByteArray cells = "<tr><td>7<td>&lt;script&gt;alert(1)&lt;/script&gt;<td>K\xE4"
                                 "fer &quot;GT&quot; &amp; Co<td>A<td>-<td>40.00<td>123.45<td>1.5,6<td>1.02.345";
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("platzShown");
        QTest::addColumn<QByteArray>("page");
        const QString run =
            QStringLiteral("7|<script>alert(1)</script>|Käfer \"GT\" & Co|A|-|40,00|123,45|1,5,6|1.02,345|1");
        QTest::newRow("run") << run << true << head + platz + cells + "<td>1</tr>\r\n" + foot;
        QTest::newRow("Platz hidden") << run << false << head + "\r\n</tr></thead>\r\n" + cells + "</tr>\r\n" + foot;
        QTest::newRow("empty") << QString() << true
                               << head + platz + "<tr>" + QByteArray("<td>").repeated(10) + "</tr>\r\n" + foot;
        // Names keep their commas; only the result columns write a decimal point.
        QTest::newRow("comma in names")
            << QStringLiteral("3|Müller, Max|Golf, GTI|A, B|2,345|40,00|-|-|9,876|1") << true
            << head + platz +
                   "<tr><td>3<td>M\xFCller, Max<td>Golf, GTI<td>A, B<td>2.345<td>40.00<td>-<td>-"
                   "<td>9.876<td>1</tr>\r\n" +
                   foot;
        // A name beyond Windows-1252 makes the whole page UTF-8.
        QTest::newRow("utf-8") << QStringLiteral("1|Łukasz Żółw") << true
                               << QByteArray(head).replace("iso-8859-1", "utf-8").replace("\xD8", "\xC3\x98") + platz +
                                      "<tr><td>1<td>\xC5\x81ukasz \xC5\xBB\xC3\xB3\xC5\x82w" +
                                      QByteArray("<td>").repeated(8) + "</tr>\r\n" + foot;
    }
    void pageBytes() {
        QFETCH(QString, row);
        QFETCH(bool, platzShown);
        QFETCH(QByteArray, page);
        SortGridData grid;
        setupProtocolGrid(grid);
        grid.setColWidth(colPlatz, platzShown ? 30 : 0);
        const QStringList cells = row.split(u'|');
        for (int col = 0; col < cells.size(); ++col)
            grid.setCell(col, 1, cells.at(col));
        const QByteArray bytes = protocolHtmlBytes(grid, QStringLiteral("Tarvolt"));
        QCOMPARE(bytes, page);
        QVERIFY(decodeProtocolHtml(bytes).contains(cells.value(1).toHtmlEscaped()));
    }
};

QTEST_GUILESS_MAIN(TestProtocolHtml)
#include "test_protocol_html.moc"
