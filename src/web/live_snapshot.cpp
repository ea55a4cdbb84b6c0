// A snapshot as the JSON the pages read: the run, the last result and the protocol, each
// part made once and pieced together without parsing again.

#include "web/live_snapshot.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonArray textArray(const QStringList& texts) {
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return array;
}

QJsonObject resultObject(const LiveResult& r) {
    return QJsonObject{{QStringLiteral("nr"), r.nr},           {QStringLiteral("name"), r.name},
                       {QStringLiteral("gruppe"), r.gruppe},   {QStringLiteral("zeit"), r.zeit},
                       {QStringLiteral("zwZeit"), r.zwZeit},   {QStringLiteral("vmax"), r.vmax},
                       {QStringLiteral("schnitt"), r.schnitt}, {QStringLiteral("platz"), r.platz}};
}

} // namespace

namespace {

// The object's members without its braces, so that members can be put together without parsing again.
QByteArray members(const QJsonObject& object) {
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return json.mid(1, json.size() - 2);
}

} // namespace

QByteArray liveRunMembers(const LiveSnapshot& s) {
    QJsonObject run{{QStringLiteral("on"), s.running}};
    run.insert(QStringLiteral("startedAt"), s.running ? QJsonValue(double(s.startedAt)) : QJsonValue());
    run.insert(QStringLiteral("finalMs"), s.finalMs >= 0 ? QJsonValue(s.finalMs) : QJsonValue());
    return members({{QStringLiteral("title"), s.title},
                    {QStringLiteral("startNr"), s.startNr},
                    {QStringLiteral("nextNr"), s.nextNr},
                    {QStringLiteral("run"), run},
                    {QStringLiteral("last"), s.hasLast ? QJsonValue(resultObject(s.last)) : QJsonValue()}});
}

QByteArray liveProtocolMembers(const LiveSnapshot& s) {
    QJsonArray rows;
    for (const QStringList& row : s.rows)
        rows.append(textArray(row));
    return members({{QStringLiteral("columns"), textArray(s.columns)}, {QStringLiteral("rows"), rows}});
}

bool sameProtocol(const LiveSnapshot& a, const LiveSnapshot& b) {
    return a.columns == b.columns && a.rows == b.rows && a.standingsRule == b.standingsRule;
}

qint64 steadyNowMs() {
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}
