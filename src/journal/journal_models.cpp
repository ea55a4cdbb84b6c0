// The "Verlauf" window's tables and the one-line texts of entries.

#include "journal/journal_models.h"

#include "protocol/protocol_table.h"

#include <QJsonArray>

namespace {

QString timeText(const QDateTime& at) {
    return at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString replacedByText(const ReplacedState& state) {
    QString text = journalKindText(state.replacedBy);
    if (!state.what.isEmpty())
        text += QStringLiteral(": ") + state.what;
    return text;
}

} // namespace

void ReplacedStatesModel::setStates(QList<ReplacedState> states) {
    beginResetModel();
    m_states = std::move(states);
    endResetModel();
}

int ReplacedStatesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_states.size());
}

int ReplacedStatesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant ReplacedStatesModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const ReplacedState& s = m_states.at(index.row());
    switch (index.column()) {
    case 0:
        return timeText(s.at);
    case 1:
        return replacedByText(s);
    case 2:
        return s.rowCount;
    default:
        return s.names;
    }
}

QVariant ReplacedStatesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    static const char* const headers[] = {"Zeitpunkt", "Ersetzt durch", "Zeilen", "Namen"};
    return QString::fromUtf8(headers[section]);
}

void ProtocolRowsModel::setRows(ProtocolRows rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int ProtocolRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProtocolRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : protocolColumnCount;
}

QVariant ProtocolRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int((index.column() >= colName && index.column() <= colGruppe ? Qt::AlignLeft : Qt::AlignRight) |
                   Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    return m_rows.at(index.row()).value(index.column());
}

QVariant ProtocolRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return protocolHeaderTexts().value(section);
}

void NumberEntriesModel::setEntries(QList<JournalRecord> records) {
    beginResetModel();
    m_records = std::move(records);
    endResetModel();
}

int NumberEntriesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_records.size());
}

int NumberEntriesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant NumberEntriesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const JournalEntry& e = m_records.at(index.row()).entry;
    // The content is long (results and four stamps); the hint shows all of it.
    if (role == Qt::ToolTipRole && index.column() == 4)
        return journalEntryContent(e);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return timeText(e.at);
    case 1:
        return journalKindText(e.kind);
    case 2:
        return journalSourceText(e.source);
    case 3:
        return e.stamp != 0 ? QVariant(QString::number(e.stamp)) : QVariant();
    default:
        return journalEntryContent(e);
    }
}

QVariant NumberEntriesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    static const char* const headers[] = {"Zeitpunkt", "Ereignis", "Gegeben von", "Zählerstand", "Inhalt"};
    return QString::fromUtf8(headers[section]);
}

QString journalSourceText(const QString& source) {
    if (source.size() == 2 && source.startsWith(u'L'))
        return QStringLiteral("Lichtschranke ") + source;
    if (source.startsWith(u'F') && source.size() <= 3)
        return QStringLiteral("Taste ") + source;
    return source;
}

QString journalEntryContent(const JournalEntry& e) {
    const QJsonObject& d = e.detail;
    if (e.kind == JournalKind::CellEdit) {
        return d.value(QStringLiteral("column")).toString() + QStringLiteral(": \u201E") +
               d.value(QStringLiteral("old")).toString() + QStringLiteral("\u201C \u2192 \u201E") +
               d.value(QStringLiteral("new")).toString() + QStringLiteral("\u201C");
    }
    const QJsonArray cells = d.value(QStringLiteral("cells")).toArray();
    QStringList parts;
    if (e.kind == JournalKind::RunFinish || e.kind == JournalKind::RunAccident) {
        for (int col : {colZeit, colZwZeit, colVmax, colEndZeit, colSchnitt}) {
            const QString text = cells.at(col).toString().trimmed();
            if (!text.isEmpty())
                parts << protocolHeaderTexts().value(col) + u' ' + text;
        }
        const QJsonArray stamps = d.value(QStringLiteral("stamps")).toArray();
        QStringList taken;
        static const char* const barriers[] = {"L1", "L2", "L3", "L4"};
        for (int i = 0; i < 4 && i < stamps.size(); ++i) {
            const qint64 stamp = stamps.at(i).toInteger();
            taken << QString::fromLatin1(barriers[i]) + u' ' +
                         (stamp != 0 ? QString::number(stamp) : QStringLiteral("-"));
        }
        if (!taken.isEmpty())
            parts << QStringLiteral("Stempel ") + taken.join(QStringLiteral(", "));
    }
    if (e.row >= 1)
        parts << QStringLiteral("Zeile %1").arg(e.row);
    return parts.join(QStringLiteral(" · "));
}
