// The standings for the live results page as one JSON document.

#include "standings/standings_json.h"

#include "standings/standings_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray standingsJson(const QList<StandingsGroup>& groups, const StandingsRule& rule) {
    QJsonArray groupArray;
    for (const StandingsGroup& group : groups) {
        QJsonArray rows;
        for (const StandingsEntry& entry : group.entries)
            rows.append(QJsonArray::fromStringList(standingsRowTexts(entry, rule)));
        groupArray.append(QJsonObject{{QStringLiteral("gruppe"), group.gruppe},
                                      {QStringLiteral("title"), group.title},
                                      {QStringLiteral("rows"), rows}});
    }
    const QJsonObject root{{QStringLiteral("rule"), standingsRuleText(rule)},
                           {QStringLiteral("columns"), QJsonArray::fromStringList(standingsHeader(rule))},
                           {QStringLiteral("groups"), groupArray}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
