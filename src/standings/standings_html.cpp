// Writes the standings' web page: one table per group, names left and numbers right, each
// group on a printed page of its own.

#include "standings/standings_html.h"

#include "protocol/protocol_html.h"
#include "standings/standings_table.h"

namespace {

const QString crlf = QStringLiteral("\r\n");

QString escaped(const QString& text) {
    return text.toHtmlEscaped(); // &, <, > and "
}

// Numbers read from the right; names from the left.
bool isTextColumn(int index) {
    return index == 2 || index == 3;
}

// The group's name heads the table with the column names, so that both stand on every printed
// page of a long group.
QString groupTable(const StandingsGroup& group, const StandingsRule& rule) {
    const QStringList header = standingsHeader(rule);
    QString page = QStringLiteral("<table style=\"BORDER-COLLAPSE: collapse\" bgcolor=#FFFFFF borderColor=#808080 "
                                  "border=1 cellpadding=4 width=100%>\r\n<thead align=left bgcolor=#91B5FF>");
    page +=
        QStringLiteral("<tr><th colspan=%1 align=left bgcolor=#FFFFFF style=\"font-size: large\">").arg(header.size()) +
        escaped(group.title) + QStringLiteral("</th></tr>") + crlf + QStringLiteral("<tr>");
    for (const QString& text : header)
        page += QStringLiteral("<th nowrap>") + escaped(text) + QStringLiteral("</th>");
    page += QStringLiteral("</tr></thead>") + crlf;
    for (const StandingsEntry& entry : group.entries) {
        page += QStringLiteral("<tr>");
        const QStringList texts = standingsRowTexts(entry, rule);
        for (int i = 0; i < texts.size(); ++i)
            page += (isTextColumn(i) ? QStringLiteral("<td>") : QStringLiteral("<td align=right nowrap>")) +
                    escaped(texts[i]) + QStringLiteral("</td>");
        page += QStringLiteral("</tr>") + crlf;
    }
    return page + QStringLiteral("</table>") + crlf;
}

} // namespace

QString standingsHtmlText(const QList<StandingsGroup>& groups, const StandingsRule& rule, const QString& title,
                          const QString& dateText, const QString& charset) {
    const QString safeTitle = escaped(title);
    QString page = QStringLiteral("<HTML>\r\n<HEAD>\r\n<!--Quillmere software -->\r\n");
    page += QStringLiteral("<TITLE>Wertung ") + safeTitle + QStringLiteral("</TITLE>\r\n");
    page += htmlContentTypeLine(charset);
    page += QStringLiteral("<STYLE type=text/css>\r\n body {font-family: Arial}\r\n</STYLE>\r\n</HEAD>\r\n");
    page += QStringLiteral("<BODY bgcolor=#FFFFFF text=#000000>\r\n");
    // Each group starts a page, under the title, the date and what counts, so every printed
    // page can be posted on its own.
    const QString heading = QStringLiteral("<H2%1>") + safeTitle + QStringLiteral("</H2>\r\n<P>Wertung: ") +
                            escaped(standingsRuleText(rule)) + QStringLiteral(" &ndash; ") + escaped(dateText) +
                            QStringLiteral("</P>\r\n");
    if (groups.isEmpty())
        page += heading.arg(QString());
    for (int i = 0; i < groups.size(); ++i) {
        page += heading.arg(i == 0 ? QString() : QStringLiteral(" style=\"page-break-before: always\""));
        page += groupTable(groups[i], rule);
    }
    return page + QStringLiteral("</BODY></HTML>\r\n");
}

QByteArray standingsHtmlBytes(const QList<StandingsGroup>& groups, const StandingsRule& rule, const QString& title,
                              const QString& dateText) {
    return htmlPageBytes(
        [&](const QString& charset) { return standingsHtmlText(groups, rule, title, dateText, charset); });
}

QString standingsPageName(const QString& appTitle) {
    return appTitle + QStringLiteral("-Wertung.html");
}
