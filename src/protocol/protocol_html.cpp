// Writes the protocol's web page: the visible columns, escaped texts, a single-byte charset
// when every character fits and UTF-8 otherwise.

#include "protocol/protocol_html.h"

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/text_file_codec.h"

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString singleByteCharset = QStringLiteral("iso-8859-1");
const QString utf8Charset = QStringLiteral("utf-8");

QString escaped(const QString& text) {
    return text.toHtmlEscaped(); // &, <, > and "
}

// Browsers of the time read "12,34" in a table better as "12.34".
QString cellText(int col, const QString& text) {
    return escaped(exportCellText(col, text));
}

bool isVisible(const SortGridData& grid, int col) {
    return grid.ColWidth(col) > 0;
}

QString head(const QString& title, const QString& charset) {
    QString page = QStringLiteral("<HTML>\r\n<HEAD>\r\n<!--Quillmere software -->\r\n");
    page += QStringLiteral("<TITLE>Zeitenprotokoll ") + title + QStringLiteral("</TITLE>\r\n");
    page += QStringLiteral("<META name=keywords content=\"slalom, Zeitenprotokoll, quillmere, stopuhr, ") + title +
            QStringLiteral("\">\r\n");
    page +=
        QStringLiteral("<META name=description content=\"Quillmere professional software development for all\">\r\n");
    page += htmlContentTypeLine(charset);
    page += QStringLiteral("</HEAD>\r\n");
    page += QStringLiteral("<STYLE type=text/css>\r\n body {font-family: Arial}\r\n pre  {padding-left: 36px}\r\n"
                           ".de   {line-height: 4px; width: 28px}\r\n</STYLE>\r\n");
    page += QStringLiteral("<BODY bgcolor=#FFFFFF text=#000000>\r\n");
    page += QStringLiteral("<DIV style=\"FILTER: Blur(direction=225, strength=6); WIDTH:100%\"><H2>&nbsp;") + title +
            QStringLiteral("</H2>\r\n</div>\r\n");
    page += QStringLiteral("<H4>Zeitenprotokoll</H4>\r\n");
    return page;
}

QString tableHead(const SortGridData& grid) {
    const auto header = [&grid](int col) { return escaped(grid.cell(col, 0)); };
    QString page = QStringLiteral("<table style=\"BORDER-COLLAPSE: collapse\" bgcolor=#FFFFFF borderColor=#808080 "
                                  "border=1 cellpadding=4 width=100%>\r\n");
    page += QStringLiteral("<colgroup valign=top> <col align=right> <col> <col> <col> <col align=right> "
                           "<col align=right> <col align=right>") +
            crlf;
    if (isVisible(grid, colZwZeit))
        page += QStringLiteral("<col align=right>") + crlf;
    if (isVisible(grid, colSchnitt))
        page += QStringLiteral("<col align=right>") + crlf;
    page += QStringLiteral("<col align=right> <col align=right> </colgroup>\r\n<thead align=left bgcolor=#91B5FF>\r\n"
                           "<tr>\r\n");
    page += QStringLiteral("<th width=5%>") + header(colNr) + crlf;
    page += QStringLiteral("<th width=15% nowrap>") + header(colName) + crlf;
    page += QStringLiteral("<th width=15% nowrap>") + header(colFahrzeug) + crlf;
    page += QStringLiteral("<th width=15% nowrap>") + header(colGruppe) + crlf;
    if (isVisible(grid, colZwZeit))
        page += QStringLiteral("<th width=10%>") + header(colZwZeit) + crlf;
    if (isVisible(grid, colSchnitt))
        page += QStringLiteral("<th width=10%>") + header(colSchnitt) + crlf;
    page += QStringLiteral("<th width=8% nowrap>") + header(colVmax) + crlf;
    page += QStringLiteral("<th width=8% nowrap>") + header(colEndZeit) + crlf;
    page += QStringLiteral("<th width=8% nowrap>") + header(colZeit) + crlf;
    if (isVisible(grid, colPlatz))
        page += QStringLiteral("<th width=5%>") + header(colPlatz);
    page += crlf + QStringLiteral("</tr></thead>") + crlf;
    return page;
}

QString tableRows(const SortGridData& grid) {
    QString page;
    for (int row = 1; row < grid.RowCount(); ++row) {
        page += QStringLiteral("<tr>");
        for (int col = 0; col < grid.ColCount(); ++col) {
            if (isVisible(grid, col))
                page += QStringLiteral("<td>") + cellText(col, grid.cell(col, row));
        }
        page += QStringLiteral("</tr>") + crlf;
    }
    return page;
}

QString footer(const QString& title) {
    return QStringLiteral(
               "</table>\r\n</table><P align=right><a href=\"https://www.quillmere.de/software/\" title=\"") +
           title +
           QStringLiteral("\"><FONT color=#FF0000>Quill</FONT><FONT color=#009900>m</FONT>"
                          "<FONT color=#999999>ere</FONT><FONT color=#666600>&nbsp; Sport Software </FONT>&gt;&gt;"
                          "</A></P></body></html>") +
           crlf;
}

} // namespace

QString protocolHtmlText(const SortGridData& grid, const QString& title, const QString& charset) {
    const QString safeTitle = escaped(title);
    return head(safeTitle, charset) + tableHead(grid) + tableRows(grid) + footer(safeTitle);
}

QString htmlContentTypeLine(const QString& charset) {
    return QStringLiteral("<META http-equiv=Content-Type content=\"text/html; charset=") + charset +
           QStringLiteral("\">\r\n");
}

QByteArray htmlPageBytes(const std::function<QString(const QString& charset)>& pageText) {
    QByteArray bytes;
    if (encodeWindows1252(pageText(singleByteCharset), bytes))
        return bytes;
    return pageText(utf8Charset).toUtf8();
}

QByteArray protocolHtmlBytes(const SortGridData& grid, const QString& title) {
    return htmlPageBytes([&](const QString& charset) { return protocolHtmlText(grid, title, charset); });
}

QString decodeProtocolHtml(const QByteArray& bytes) {
    // Quotes in cells are escaped, so only the page's own declaration can match.
    if (bytes.contains(htmlContentTypeLine(utf8Charset).toLatin1()))
        return QString::fromUtf8(bytes);
    return decodeWindows1252(bytes);
}

bool saveProtocolHtml(const SortGridData& grid, const QString& title, const QString& fileName, QString* errorText,
                      TargetLinks links) {
    return writeFileAtomically(fileName, protocolHtmlBytes(grid, title), errorText, links);
}
