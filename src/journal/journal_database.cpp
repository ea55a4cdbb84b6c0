// The journal's SQLite file: checks on opening, the schema, one transaction per entry.

#include "journal/journal_database.h"

#include "protocol/protocol_file_names.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// SQLite's primary result codes, as Qt's driver reports them.
enum SqliteCode {
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteFull = 13,
    SqliteTooBig = 18,
    SqliteConstraint = 19,
    SqliteMismatch = 20,
    SqliteNoLfs = 22,
    SqliteRange = 25
};

// Bound as a text, never as NULL: the columns hold '' for "none".
QString notNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

const char* const schema[] = {
    "CREATE TABLE entry ("
    " id INTEGER PRIMARY KEY,"
    " at TEXT NOT NULL,"
    " kind TEXT NOT NULL,"
    " source TEXT NOT NULL DEFAULT '',"
    " start_nr TEXT NOT NULL DEFAULT '',"
    " row_nr INTEGER,"
    " stamp INTEGER,"
    " run INTEGER,"
    " detail TEXT NOT NULL DEFAULT '{}')",
    // A protocol as a step found it ('before') and left it ('after'); cells is a JSON array
    // of rows, each an array of ten texts.
    "CREATE TABLE protocol_state ("
    " id INTEGER PRIMARY KEY,"
    " entry INTEGER NOT NULL REFERENCES entry(id),"
    " role TEXT NOT NULL CHECK (role IN ('before', 'after')),"
    " row_count INTEGER NOT NULL,"
    " first_names TEXT NOT NULL,"
    " cells TEXT NOT NULL)",
    "CREATE INDEX entry_by_number ON entry(start_nr)",
    "CREATE INDEX state_by_role ON protocol_state(role, id)",
};

QString rowsJson(const ProtocolRows& rows) {
    QJsonArray table;
    for (const QStringList& row : rows)
        table.append(QJsonArray::fromStringList(row));
    return QString::fromUtf8(QJsonDocument(table).toJson(QJsonDocument::Compact));
}

} // namespace

JournalDatabase::JournalDatabase(const QString& path, const QString& connectionName, JournalLimits limits)
    : m_path(path), m_connectionName(connectionName), m_limits(limits) {}

JournalDatabase::~JournalDatabase() {
    close();
}

bool JournalDatabase::isOpen() const {
    return QSqlDatabase::contains(m_connectionName) && QSqlDatabase::database(m_connectionName, false).isOpen();
}

void JournalDatabase::close() {
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

JournalFault JournalDatabase::fail(const QSqlError& error) {
    m_lastError = error.text();
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == SqliteBusy || code == SqliteLocked)
        return JournalFault::Busy;
    if (code == SqliteFull || code == SqliteNoLfs)
        return JournalFault::Full;
    // No SQLite code: Qt refused the statement itself, which says nothing about the file.
    if (code == 0 || code == SqliteTooBig || code == SqliteConstraint || code == SqliteMismatch || code == SqliteRange)
        return JournalFault::Rejected;
    return JournalFault::Broken;
}

JournalFault JournalDatabase::exec(const QString& statement) {
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!query.exec(statement))
        return fail(query.lastError());
    return JournalFault::None;
}

JournalFault JournalDatabase::open() {
    close();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_limits.busyTimeoutMs));
    if (!db.open()) {
        m_lastError = db.lastError().text();
        return JournalFault::Broken;
    }
    {
        // A file that is no database, or a damaged one, fails here.
        QSqlQuery check(db);
        if (!check.exec(QStringLiteral("PRAGMA quick_check")))
            return fail(check.lastError());
        if (!check.next() || check.value(0).toString() != QStringLiteral("ok")) {
            m_lastError = QStringLiteral("quick_check: ") + check.value(0).toString();
            return JournalFault::Broken;
        }
    }
    // A file of another program, or of a newer copy, is left exactly as it is.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return fail(query.lastError());
    const int version = query.value(0).toInt();
    if (version != 0 && version != schemaVersion) {
        m_lastError = QStringLiteral("user_version %1").arg(version);
        return JournalFault::Broken;
    }
    if (version == 0) {
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
            return fail(query.lastError());
        if (query.value(0).toInt() != 0) {
            m_lastError = QStringLiteral("fremde Tabellen");
            return JournalFault::Broken;
        }
    }
    query.finish();

    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return fail(query.lastError());
    query.finish(); // a statement still open would keep every transaction from committing
    if (const JournalFault f = exec(QStringLiteral("PRAGMA synchronous=FULL")); f != JournalFault::None)
        return f;
    if (m_limits.maxPageCount > 0)
        if (const JournalFault f = exec(QStringLiteral("PRAGMA max_page_count=%1").arg(m_limits.maxPageCount));
            f != JournalFault::None)
            return f;
    if (version == schemaVersion)
        return JournalFault::None;
    return createSchema();
}

JournalFault JournalDatabase::begin() {
    return exec(QStringLiteral("BEGIN"));
}

// By statement, not QSqlDatabase::commit(): Qt's driver reports a failed commit without
// SQLite's code, and a full disk shows only there (the entry's pages are written at the commit).
JournalFault JournalDatabase::commit() {
    const JournalFault f = exec(QStringLiteral("COMMIT"));
    if (f != JournalFault::None)
        rollback();
    return f;
}

void JournalDatabase::rollback() {
    // Nothing to undo when SQLite has rolled back itself; that failure says nothing new.
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    query.exec(QStringLiteral("ROLLBACK"));
}

JournalFault JournalDatabase::createSchema() {
    if (const JournalFault f = begin(); f != JournalFault::None)
        return f;
    for (const char* statement : schema) {
        if (const JournalFault f = exec(QString::fromLatin1(statement)); f != JournalFault::None) {
            rollback();
            return f;
        }
    }
    if (const JournalFault f = exec(QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion));
        f != JournalFault::None) {
        rollback();
        return f;
    }
    return commit();
}

JournalFault JournalDatabase::write(const JournalEntry& entry) {
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen()) {
        m_lastError = QStringLiteral("nicht geöffnet");
        return JournalFault::Broken;
    }
    if (const JournalFault f = begin(); f != JournalFault::None)
        return f;
    const auto abort = [&](const QSqlError& error) {
        const JournalFault f = fail(error);
        rollback();
        return f;
    };

    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO entry (at, kind, source, start_nr, row_nr, stamp, run, detail)"
                                  " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    insert.addBindValue(entry.at.toString(Qt::ISODateWithMs));
    insert.addBindValue(journalKindName(entry.kind));
    insert.addBindValue(notNull(entry.source));
    insert.addBindValue(notNull(entry.startNumber));
    insert.addBindValue(entry.row >= 0 ? QVariant(entry.row) : QVariant(QMetaType(QMetaType::Int)));
    insert.addBindValue(entry.stamp != 0 ? QVariant(entry.stamp) : QVariant(QMetaType(QMetaType::LongLong)));
    insert.addBindValue(entry.run != 0 ? QVariant(entry.run) : QVariant(QMetaType(QMetaType::LongLong)));
    insert.addBindValue(QString::fromUtf8(QJsonDocument(entry.detail).toJson(QJsonDocument::Compact)));
    if (!insert.exec())
        return abort(insert.lastError());
    const qint64 id = insert.lastInsertId().toLongLong();

    const std::pair<const char*, const std::optional<ProtocolRows>*> states[] = {{"before", &entry.before},
                                                                                 {"after", &entry.after}};
    for (const auto& [role, rows] : states) {
        if (!*rows)
            continue;
        QSqlQuery state(db);
        state.prepare(QStringLiteral("INSERT INTO protocol_state (entry, role, row_count, first_names, cells)"
                                     " VALUES (?, ?, ?, ?, ?)"));
        state.addBindValue(id);
        state.addBindValue(QString::fromLatin1(role));
        state.addBindValue(filledRowCount(**rows));
        state.addBindValue(notNull(firstNames(**rows)));
        state.addBindValue(rowsJson(**rows));
        if (!state.exec())
            return abort(state.lastError());
    }
    return commit();
}

std::optional<QString> JournalDatabase::moveAside(const QString& path, const QDateTime& when) {
    const std::optional<QString> moved = ::moveAside(path, when);
    if (!moved)
        return std::nullopt;
    // The write-ahead log belongs to the file it was written for.
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        if (QFileInfo::exists(path + suffix))
            QFile::rename(path + suffix, *moved + suffix);
    return moved;
}
