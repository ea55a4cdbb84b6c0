// The standings' header and row texts that the window, the page, the sheet and the live page
// all show, and the standings of the protocol grid as it stands.

#include "standings/standings_table.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_table.h"

QStringList standingsHeader(const StandingsRule& rule) {
    const QString result = protocolHeaderTexts().value(rule.column);
    QStringList header{QStringLiteral("Platz"), QStringLiteral("Nr."), QStringLiteral("Name"),
                       QStringLiteral("Fahrzeug")};
    if (rule.isSum())
        header << QStringLiteral("Summe ") + result << QStringLiteral("Gewertet");
    else
        header << result;
    header << QStringLiteral("Läufe") << QStringLiteral("Abstand");
    return header;
}

QStringList standingsRowTexts(const StandingsEntry& entry, const StandingsRule& rule) {
    QStringList texts{entry.rank > 0 ? QString::number(entry.rank) : QString(), entry.nr, entry.name, entry.fahrzeug,
                      entry.result};
    if (rule.isSum())
        texts << entry.countedRuns.join(QStringLiteral(" + "));
    texts << QString::number(entry.runs) << entry.gap;
    return texts;
}

QString standingsRuleText(const StandingsRule& rule) {
    const QString column = protocolHeaderTexts().value(rule.column);
    if (rule.isSum())
        return QStringLiteral("Summe der %1 besten Läufe, %2").arg(rule.countedRuns).arg(column);
    return QStringLiteral("Bester Lauf, ") + column;
}

QList<QStringList> standingsSheetRows(const QList<StandingsGroup>& groups, const StandingsRule& rule) {
    QList<QStringList> rows;
    for (const StandingsGroup& group : groups) {
        if (!rows.isEmpty())
            rows.append(QStringList());
        rows.append(QStringList{group.title});
        rows.append(standingsHeader(rule));
        for (const StandingsEntry& entry : group.entries)
            rows.append(standingsRowTexts(entry, rule));
    }
    return rows;
}

StandingsRule standingsRuleOf(const SortGridData& grid, int wertungSetting) {
    StandingsRule rule;
    // The column "Platz" ranks by, in its natural direction, whatever the view is sorted by.
    const int rankCol = grid.SortOptions().RankCol;
    if (isResultColumn(rankCol)) {
        rule.column = rankCol;
        rule.descending = rankingDirection(rankCol) == sdDescending;
    }
    rule.countedRuns = standingsCountedRuns(wertungSetting);
    return rule;
}

QList<QStringList> protocolDataRows(const SortGridData& grid) {
    QList<QStringList> rows;
    rows.reserve(grid.RowCount() - 1);
    for (int row = 1; row < grid.RowCount(); ++row)
        rows.append(grid.rowCells(row));
    return rows;
}
