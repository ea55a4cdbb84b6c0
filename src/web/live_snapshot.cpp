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

QByteArray liveStateJsonTail(const LiveSnapshot& s) {
    QJsonObject run{{QStringLiteral("on"), s.running}};
    run.insert(QStringLiteral("startedAt"), s.running ? QJsonValue(double(s.startedAt)) : QJsonValue());
    run.insert(QStringLiteral("finalMs"), s.finalMs >= 0 ? QJsonValue(s.finalMs) : QJsonValue());

    QJsonArray rows;
    for (const QStringList& row : s.rows)
        rows.append(textArray(row));

    const QJsonObject state{{QStringLiteral("title"), s.title},
                            {QStringLiteral("startNr"), s.startNr},
                            {QStringLiteral("nextNr"), s.nextNr},
                            {QStringLiteral("run"), run},
                            {QStringLiteral("last"), s.hasLast ? QJsonValue(resultObject(s.last)) : QJsonValue()},
                            {QStringLiteral("columns"), textArray(s.columns)},
                            {QStringLiteral("rows"), rows}};
    QByteArray json = QJsonDocument(state).toJson(QJsonDocument::Compact);
    // Without the braces, so the per-answer members go in front without parsing again.
    return json.mid(1, json.size() - 2);
}

QByteArray liveStateJson(const QByteArray& tail, qint64 nowMs, quint64 seq) {
    QByteArray json = "{\"now\":" + QByteArray::number(nowMs) + ",\"seq\":" + QByteArray::number(seq);
    if (!tail.isEmpty())
        json += ',' + tail;
    return json + '}';
}

qint64 steadyNowMs() {
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}
