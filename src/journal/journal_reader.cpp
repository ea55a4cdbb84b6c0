// Queries of the "Verlauf" window on the journal file.

#include "journal/journal_reader.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace {

QString newConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("tarvolt-journal-reader-%1").arg(next++);
}

ProtocolRows rowsFromJson(const QString& text) {
    ProtocolRows rows;
    const QJsonArray table = QJsonDocument::fromJson(text.toUtf8()).array();
    rows.reserve(table.size());
    for (const QJsonValue& row : table) {
        QStringList cells;
        for (const QJsonValue& cell : row.toArray())
            cells << cell.toString();
        rows << cells;
    }
    return rows;
}

} // namespace

JournalReader::JournalReader(const QString& path) : m_connectionName(newConnectionName()) {
    // Read-only, and never creating the file: looking must not make a journal.
    if (!QFileInfo(path).isFile())
        return;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
    m_open = db.open();
}

JournalReader::~JournalReader() {
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    QSqlDatabase::database(m_connectionName, false).close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QList<ReplacedState> JournalReader::replacedStates(int limit) const {
    QList<ReplacedState> states;
    if (!m_open)
        return states;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("SELECT s.id, e.at, e.kind, e.source, e.start_nr, e.detail, s.row_count, "
                                 "s.first_names FROM protocol_state s JOIN entry e ON s.entry = e.id "
                                 "WHERE s.role = 'before' AND s.row_count > 0 ORDER BY s.id DESC LIMIT ?"));
    query.addBindValue(limit);
    if (!query.exec())
        return states;
    while (query.next()) {
        const std::optional<JournalKind> kind = journalKindFromName(query.value(2).toString());
        if (!kind)
            continue;
        ReplacedState state;
        state.id = query.value(0).toLongLong();
        state.at = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs);
        state.replacedBy = *kind;
        const QJsonObject detail = QJsonDocument::fromJson(query.value(5).toString().toUtf8()).object();
        if (*kind == JournalKind::RowRemoved)
            state.what = QStringLiteral("Nr. ") + query.value(4).toString();
        else if (*kind == JournalKind::Restored)
            state.what = detail.value(QStringLiteral("from")).toString();
        else
            state.what = detail.value(QStringLiteral("file")).toString();
        state.rowCount = query.value(6).toInt();
        state.names = query.value(7).toString();
        states << state;
    }
    return states;
}

std::optional<ProtocolRows> JournalReader::stateRows(qint64 stateId) const {
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("SELECT cells FROM protocol_state WHERE id = ?"));
    query.addBindValue(stateId);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return rowsFromJson(query.value(0).toString());
}

QList<JournalRecord> JournalReader::records(const QString& where, const QVariantList& values) const {
    QList<JournalRecord> records;
    if (!m_open)
        return records;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.prepare(QStringLiteral("SELECT id, at, kind, source, start_nr, row_nr, stamp, run, detail FROM entry ") +
                  where + QStringLiteral(" ORDER BY id"));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return records;
    while (query.next()) {
        const std::optional<JournalKind> kind = journalKindFromName(query.value(2).toString());
        if (!kind)
            continue;
        JournalRecord record;
        record.id = query.value(0).toLongLong();
        JournalEntry& e = record.entry;
        e.at = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs);
        e.kind = *kind;
        e.source = query.value(3).toString();
        e.startNumber = query.value(4).toString();
        e.row = query.value(5).isNull() ? -1 : query.value(5).toInt();
        e.stamp = query.value(6).toLongLong();
        e.run = query.value(7).toLongLong();
        e.detail = QJsonDocument::fromJson(query.value(8).toString().toUtf8()).object();
        records << record;
    }
    return records;
}

QList<JournalRecord> JournalReader::entriesOfNumber(const QString& startNumber) const {
    return records(QStringLiteral("WHERE start_nr = ? AND kind IN ('run_start', 'run_split', 'run_trap', "
                                  "'run_finish', 'run_accident', 'cell_edit')"),
                   {startNumber});
}

QList<JournalRecord> JournalReader::allEntries() const {
    return records(QString(), {});
}

bool JournalReader::integrityOk() const {
    if (!m_open)
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    return query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next() &&
           query.value(0).toString() == QStringLiteral("ok");
}
