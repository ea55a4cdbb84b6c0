// Names and texts of the journal's entry kinds.

#include "journal/journal_entry.h"

#include "protocol/protocol_table.h"

#include <array>

namespace {

struct KindNames {
    JournalKind kind;
    const char* stored;
    const char* german;
};

// Stored names are part of the file format; the German texts may change.
constexpr std::array<KindNames, 18> kinds{{
    {JournalKind::ProgramStart, "program_start", "Programmstart"},
    {JournalKind::ProgramEnd, "program_end", "Programmende"},
    {JournalKind::RunStart, "run_start", "Start"},
    {JournalKind::RunSplit, "run_split", "Zw.Zeit"},
    {JournalKind::RunTrap, "run_trap", "Vmax-Eintritt"},
    {JournalKind::RunFinish, "run_finish", "Ziel"},
    {JournalKind::RunAccident, "run_accident", "Unfall"},
    {JournalKind::CellEdit, "cell_edit", "Zelle geändert"},
    {JournalKind::RowRemoved, "row_removed", "Zeile entfernt"},
    {JournalKind::Cleared, "cleared", "Protokoll gelöscht"},
    {JournalKind::Loaded, "loaded", "Protokoll geladen"},
    {JournalKind::Restored, "restored", "Wiederhergestellt"},
    {JournalKind::Saved, "saved", "Gespeichert"},
    {JournalKind::Exported, "exported", "Ausgegeben"},
    {JournalKind::PortOpened, "port_opened", "Anschluss geöffnet"},
    {JournalKind::PortLost, "port_lost", "Anschluss unterbrochen"},
    {JournalKind::PortFailed, "port_failed", "Anschluss nicht geöffnet"},
    {JournalKind::SettingsChanged, "settings_changed", "Einstellungen geändert"},
}};

const KindNames& namesOf(JournalKind kind) {
    return kinds[static_cast<std::size_t>(kind)];
}

} // namespace

QString journalKindName(JournalKind kind) {
    return QString::fromLatin1(namesOf(kind).stored);
}

std::optional<JournalKind> journalKindFromName(const QString& name) {
    for (const KindNames& k : kinds)
        if (name == QLatin1String(k.stored))
            return k.kind;
    return std::nullopt;
}

QString journalKindText(JournalKind kind) {
    return QString::fromUtf8(namesOf(kind).german);
}

QString firstNames(const ProtocolRows& rows, int count) {
    QStringList names;
    for (const QStringList& row : rows) {
        const QString name = row.value(colName).trimmed();
        // A driver with several runs is named once: the names are there to tell states apart.
        if (name.isEmpty() || name == QStringLiteral("-") || names.contains(name))
            continue;
        names << name;
        if (names.size() == count)
            break;
    }
    return names.join(QStringLiteral(", "));
}

int filledRowCount(const ProtocolRows& rows) {
    int filled = 0;
    for (const QStringList& row : rows) {
        for (const QString& cell : row) {
            if (!cell.trimmed().isEmpty()) {
                ++filled;
                break;
            }
        }
    }
    return filled;
}
