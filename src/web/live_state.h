// What the live results server tells the pages, as bodies built once per change: the small
// running state, and the protocol with its versions and the steps between them.

#pragma once

#include "web/live_snapshot.h"

#include <QByteArray>
#include <QHash>
#include <QList>

// What the live results server tells pages, kept apart in the running state (small, changes
// at every start and finish) and the protocol (large, versioned). Every server start has its
// own identity, so a page that sees another one knows the numbers started over. The bodies
// are built once per change, not per page. Lives on the server thread.
class LiveState {
public:
    explicit LiveState(QByteArray serverId);

    // A new snapshot: seq grows; the protocol version only when the protocol differs.
    // True when the protocol changed.
    bool publish(const LiveSnapshotPtr& snapshot);

    const QByteArray& serverId() const { return m_serverId; }
    quint64 seq() const { return m_seq; }
    quint64 version() const { return m_version; }
    const LiveSnapshot& snapshot() const { return *m_snapshot; }

    // /api/live: the running state with the protocol's version, no rows.
    QByteArray liveJson(qint64 nowMs) const;
    // /api/state: everything at once, as it always was, with the identity and version.
    QByteArray stateJson(qint64 nowMs) const;
    // /api/protocol: the whole protocol of this version.
    const QByteArray& protocolJson() const;
    // /api/protocol?since=: the steps from an earlier version to this one; empty when that
    // version is no longer known (the page then takes the whole protocol).
    QByteArray protocolSinceJson(quint64 since);
    // /api/standings: the standings of this version, computed when first asked for.
    const QByteArray& standingsJson();
    // A push message: the running state, and the steps from the version before when the
    // protocol has just changed and the steps are small.
    QByteArray pushJson(qint64 nowMs, bool protocolChanged);

    // An ETag for what depends on seq or version only.
    const QByteArray& stateTag() const { return m_stateTag; }
    const QByteArray& protocolTag() const { return m_protocolTag; }

private:
    QByteArray head(qint64 nowMs) const;
    void makeHead();

    struct Kept {
        quint64 version = 0;
        LiveSnapshotPtr snapshot;
    };

    const QByteArray m_serverId;
    quint64 m_seq = 0;
    quint64 m_version = 1;
    LiveSnapshotPtr m_snapshot;
    QByteArray m_run;      // members of the running state
    QByteArray m_head;     // ",seq,server,version" of this snapshot
    QByteArray m_liveRest; // the /api/live body after its "now"
    QByteArray m_stateTag;
    QByteArray m_protocolTag;
    // Made when first asked for: at a finish the pages want the steps, not the whole.
    const QByteArray& rowMembers() const;
    mutable QByteArray m_rows;          // members "columns" and "rows"; empty until asked for
    mutable QByteArray m_protocol;      // the whole /api/protocol body; empty until asked for
    QByteArray m_standings;             // the /api/standings body of this version; empty until asked for
    QList<Kept> m_history;              // earlier versions, newest last
    QHash<quint64, QByteArray> m_since; // steps to this version, by the version they start from
};

// A new server identity: 64 random bits in hex.
QByteArray newServerId();
