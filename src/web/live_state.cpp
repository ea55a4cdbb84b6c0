// The live state's versions: keeps the steps of the last sixteen protocols for pages that poll,
// and sends the whole protocol instead of steps larger than 32 KiB.

#include "web/live_state.h"

#include "standings/standings_json.h"
#include "web/protocol_diff.h"

#include <QRandomGenerator>

namespace {

// Versions a polling page may be behind and still get only the steps.
constexpr qsizetype keptVersions = 16;
// Steps larger than this go out as the whole protocol, which is compressed.
constexpr qsizetype maxPushedSteps = 32 * 1024;

int rankColumn(const LiveSnapshot& s) {
    return int(s.columns.indexOf(QStringLiteral("Platz")));
}

} // namespace

QByteArray newServerId() {
    return QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0');
}

LiveState::LiveState(QByteArray serverId) : m_serverId(std::move(serverId)) {
    publish(std::make_shared<const LiveSnapshot>());
    m_seq = 0;
    makeHead();
}

bool LiveState::publish(const LiveSnapshotPtr& snapshot) {
    ++m_seq;
    const bool changed = m_snapshot && !sameProtocol(*m_snapshot, *snapshot);
    if (changed) {
        m_history.append({m_version, m_snapshot});
        if (m_history.size() > keptVersions)
            m_history.removeFirst();
        ++m_version;
        m_since.clear();
    }
    const bool first = !m_snapshot;
    m_snapshot = snapshot;
    m_run = liveRunMembers(*snapshot);
    makeHead();
    if (changed || first) {
        m_rows.clear();
        m_protocol.clear();
        m_standings.clear();
    }
    return changed;
}

void LiveState::makeHead() {
    // Everything after "now", made once per snapshot for every page that polls.
    m_head = ",\"seq\":" + QByteArray::number(m_seq) + ",\"server\":\"" + m_serverId +
             "\",\"version\":" + QByteArray::number(m_version);
    m_liveRest = m_head + ',' + m_run + '}';
    m_stateTag = '"' + m_serverId + '-' + QByteArray::number(m_seq) + '"';
    m_protocolTag = '"' + m_serverId + "-v" + QByteArray::number(m_version) + '"';
}

const QByteArray& LiveState::rowMembers() const {
    if (m_rows.isEmpty())
        m_rows = liveProtocolMembers(*m_snapshot);
    return m_rows;
}

const QByteArray& LiveState::protocolJson() const {
    if (m_protocol.isEmpty())
        m_protocol = "{\"server\":\"" + m_serverId + "\",\"version\":" + QByteArray::number(m_version) + ',' +
                     rowMembers() + '}';
    return m_protocol;
}

QByteArray LiveState::head(qint64 nowMs) const {
    return "{\"now\":" + QByteArray::number(nowMs) + m_head;
}

QByteArray LiveState::liveJson(qint64 nowMs) const {
    // The one part that differs per poll is the server's clock.
    QByteArray json;
    json.reserve(32 + m_liveRest.size());
    json += "{\"now\":";
    json += QByteArray::number(nowMs);
    json += m_liveRest;
    return json;
}

QByteArray LiveState::stateJson(qint64 nowMs) const {
    return head(nowMs) + ',' + m_run + ',' + rowMembers() + '}';
}

QByteArray LiveState::protocolSinceJson(quint64 since) {
    if (since == m_version)
        return "{\"server\":\"" + m_serverId + "\",\"version\":" + QByteArray::number(m_version) +
               ",\"since\":" + QByteArray::number(since) + ",\"steps\":[]}";
    const auto cached = m_since.constFind(since);
    if (cached != m_since.cend())
        return *cached;
    for (const Kept& kept : std::as_const(m_history)) {
        if (kept.version != since)
            continue;
        if (kept.snapshot->columns != m_snapshot->columns)
            return {};
        const ProtocolDiff diff = protocolDiff(kept.snapshot->rows, m_snapshot->rows, rankColumn(*m_snapshot));
        const QByteArray body = "{\"server\":\"" + m_serverId + "\",\"version\":" + QByteArray::number(m_version) +
                                ",\"since\":" + QByteArray::number(since) + ",\"steps\":" + diff.steps + '}';
        m_since.insert(since, body);
        return body;
    }
    return {};
}

const QByteArray& LiveState::standingsJson() {
    if (m_standings.isEmpty()) {
        const StandingsRule& rule = m_snapshot->standingsRule;
        const QByteArray object = ::standingsJson(computeStandings(m_snapshot->rows, rule), rule);
        m_standings =
            "{\"server\":\"" + m_serverId + "\",\"version\":" + QByteArray::number(m_version) + ',' + object.mid(1);
    }
    return m_standings;
}

QByteArray LiveState::pushJson(qint64 nowMs, bool protocolChanged) {
    QByteArray json = head(nowMs) + ',' + m_run;
    if (protocolChanged) {
        const QByteArray steps = protocolSinceJson(m_version - 1);
        if (!steps.isEmpty() && steps.size() <= maxPushedSteps)
            json += ",\"protocol\":" + steps;
    }
    return json + '}';
}
