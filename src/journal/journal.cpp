// The entries of each step: which fields a run's event, an edit, a replaced protocol, a file,
// the port and the settings fill.

#include "journal/journal.h"

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "settings/settings.h"

#include <QJsonArray>

ProtocolRows protocolRowsOf(const SortGridData& grid) {
    ProtocolRows rows;
    rows.reserve(grid.RowCount() - 1);
    for (int row = 1; row < grid.RowCount(); ++row)
        rows << grid.rowCells(row);
    return rows;
}

QJsonObject settingsChanges(const Settings& before, const Settings& after) {
    QJsonObject changes;
    const auto compare = [&changes](const char* name, const QJsonValue& was, const QJsonValue& is) {
        if (was != is)
            changes.insert(QLatin1String(name), QJsonArray{was, is});
    };
    const auto alg = [](const AlgLevels& levels) { return QJsonArray{levels[0], levels[1], levels[2], levels[3]}; };
    compare("Sound", before.Sound, after.Sound);
    compare("Port", before.Port, after.Port);
    compare("Length", before.Length, after.Length);
    compare("LengthF", before.LengthF, after.LengthF);
    compare("LengthS", before.LengthS, after.LengthS);
    compare("Monitor", before.Monitor, after.Monitor);
    compare("Title", before.Title, after.Title);
    compare("WaitStart", before.WaitStart, after.WaitStart);
    compare("ColSpeed0", before.ColSpeed0, after.ColSpeed0);
    compare("ColSpeed1", before.ColSpeed1, after.ColSpeed1);
    compare("ManyStart", before.ManyStart, after.ManyStart);
    compare("Param2", before.Param2, after.Param2);
    compare("ShowPlatz", before.ShowPlatz, after.ShowPlatz);
    compare("Alg", alg(before.Alg), alg(after.Alg));
    compare("LuchVmax", before.LuchVmax, after.LuchVmax);
    compare("LuchZwZeit", before.LuchZwZeit, after.LuchZwZeit);
    compare("WebOn", before.WebOn, after.WebOn);
    compare("WebPort", before.WebPort, after.WebPort);
    compare("WebInterface", before.WebInterface, after.WebInterface);
    compare("Wertung", before.Wertung, after.Wertung);
    return changes;
}

Journal::Journal(JournalWriter::Options options)
    : m_clock(options.clock), m_writer(std::make_unique<JournalWriter>(std::move(options))) {}

Journal::~Journal() = default;

JournalEntry Journal::entry(JournalKind kind) const {
    JournalEntry e;
    e.at = m_clock ? m_clock() : QDateTime::currentDateTime();
    e.kind = kind;
    return e;
}

void Journal::post(JournalEntry entry) {
    m_writer->post(std::move(entry));
}

void Journal::programStarted(const QJsonObject& detail) {
    JournalEntry e = entry(JournalKind::ProgramStart);
    e.detail = detail;
    post(std::move(e));
}

int Journal::programEnded(int ms) {
    post(entry(JournalKind::ProgramEnd));
    return m_writer->finish(ms);
}

void Journal::runEvent(const RunEventReport& report) {
    static constexpr JournalKind kinds[] = {JournalKind::RunStart, JournalKind::RunSplit, JournalKind::RunTrap,
                                            JournalKind::RunFinish, JournalKind::RunAccident};
    JournalEntry e = entry(kinds[int(report.kind)]);
    if (report.kind == RunEventKind::Start) {
        m_run = qMax(m_lastRun + 1, e.at.toMSecsSinceEpoch());
        m_lastRun = m_run;
    }
    e.source = report.source;
    e.startNumber = report.startNumber;
    e.row = report.row;
    e.stamp = report.stamp;
    e.run = m_run;
    e.detail = QJsonObject{{QStringLiteral("stamps"),
                            QJsonArray{report.startStamp, report.splitStamp, report.trapStamp, report.finishStamp}},
                           {QStringLiteral("cells"), QJsonArray::fromStringList(report.cells)}};
    if (report.kind == RunEventKind::Finish || report.kind == RunEventKind::Accident)
        m_run = 0;
    post(std::move(e));
}

void Journal::cellEdited(int row, const QString& startNumber, int col, const QString& before, const QString& after) {
    JournalEntry e = entry(JournalKind::CellEdit);
    e.row = row;
    e.startNumber = startNumber;
    e.detail = QJsonObject{{QStringLiteral("column"), protocolHeaderTexts().value(col)},
                           {QStringLiteral("old"), before},
                           {QStringLiteral("new"), after}};
    post(std::move(e));
}

void Journal::rowRemoved(int row, const QStringList& cells, const ProtocolRows& before, const ProtocolRows& after) {
    JournalEntry e = entry(JournalKind::RowRemoved);
    e.row = row;
    e.startNumber = cells.value(colNr);
    e.detail = QJsonObject{{QStringLiteral("cells"), QJsonArray::fromStringList(cells)}};
    e.before = before;
    e.after = after;
    post(std::move(e));
}

void Journal::protocolReplaced(JournalKind kind, const QJsonObject& detail, const ProtocolRows& before,
                               const ProtocolRows& after) {
    JournalEntry e = entry(kind);
    e.detail = detail;
    e.before = before;
    e.after = after;
    post(std::move(e));
}

void Journal::fileWritten(JournalKind kind, const QString& type, const QString& file) {
    JournalEntry e = entry(kind);
    e.source = type;
    e.detail = QJsonObject{{QStringLiteral("file"), file}};
    post(std::move(e));
}

void Journal::portEvent(JournalKind kind, const QString& port, const QString& text) {
    JournalEntry e = entry(kind);
    e.source = port;
    if (!text.isEmpty())
        e.detail = QJsonObject{{QStringLiteral("text"), text}};
    post(std::move(e));
}

void Journal::settingsChanged(const QJsonObject& changes) {
    if (changes.isEmpty())
        return;
    JournalEntry e = entry(JournalKind::SettingsChanged);
    e.detail = QJsonObject{{QStringLiteral("changed"), changes}};
    post(std::move(e));
}
