// The main window's side of the event journal: where its entries come from (the run, the
// protocol table, the files, the port, the settings), what status panel 2 says about it,
// and the "Verlauf" window with its restore (Ctrl+J).

#include "app/form_main.h"

#include "app/form_main_commands.h"
#include "app/status_line.h"
#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "journal/form_journal.h"
#include "journal/journal.h"
#include "protocol/protocol_table.h"
#include "run/barrier_port.h"
#include "run/run_controller.h"
#include "timing/high_res_timer.h"

#include <QAction>
#include <QFileInfo>
#include <QJsonObject>

namespace {

// How long the end of the program waits for entries still queued.
constexpr int journalEndDeadlineMs = 3000;

} // namespace

void TFormMain::setupJournal() {
    FormMainCommands& c = *m_commands;
    connect(c.Verlauf1, &QAction::triggered, this, &TFormMain::Verlauf1Click);
    c.Verlauf1->setEnabled(false);
    if (m_environment.journalPath.isEmpty())
        return;

    JournalWriter::Options options;
    options.path = m_environment.journalPath;
    options.clock = m_environment.clock;
    m_journal = std::make_unique<Journal>(options);
    c.Verlauf1->setEnabled(m_controller->editStartN1Enabled());
    // Emitted on the writer's thread; the panel is written on this one. Entries that wait
    // stand in the panel until they are written, whatever the track does meanwhile.
    connect(
        &m_journal->writer(), &JournalWriter::problem, this,
        [this](const QString& text, bool standing) {
            const QString& path = m_environment.journalPath;
            m_statusLine->setStanding(StatusLine::Source::Journal, standing ? text : QString(), path);
            if (!standing)
                m_statusLine->showNote(text, path);
        },
        Qt::QueuedConnection);

    m_journal->programStarted(QJsonObject{{QStringLiteral("program"), m_names.baseName},
                                          {QStringLiteral("version"), QStringLiteral("2.1")},
                                          {QStringLiteral("countSpeed"), m_highResTimer->CountSpeed()},
                                          {QStringLiteral("backup"), m_backupFile}});

    Journal* journal = m_journal.get();
    m_controller->setEventSink([journal](const RunEventReport& report) { journal->runEvent(report); });
    m_ui.SortGrid1->OnCellEdited = [this](int col, int row, const QString& before, const QString& after) {
        m_journal->cellEdited(row, m_ui.SortGrid1->gridData().cell(colNr, row), col, before, after);
    };
    m_barrierPort->setEventHandler([journal](BarrierPort::PortEvent event, const QString& port, const QString& text) {
        static constexpr JournalKind kinds[] = {JournalKind::PortOpened, JournalKind::PortLost,
                                                JournalKind::PortFailed};
        journal->portEvent(kinds[int(event)], port, text);
    });
    // The window opens only outside a run, as a load would replace the table under it.
    connect(m_controller, &RunController::stateChanged, this,
            [this] { m_commands->Verlauf1->setEnabled(m_controller->editStartN1Enabled()); });
}

void TFormMain::endJournal() {
    if (!m_journal)
        return;
    if (const int left = m_journal->programEnded(journalEndDeadlineMs); left > 0)
        qWarning("Verlauf: %d Einträge nicht geschrieben", left);
}

void TFormMain::detachJournal() {
    if (!m_journal)
        return;
    m_controller->setEventSink({});
    m_ui.SortGrid1->OnCellEdited = {};
    m_barrierPort->setEventHandler({});
}

ProtocolRows TFormMain::protocolSnapshot() const {
    return protocolRowsOf(m_ui.SortGrid1->gridData());
}

void TFormMain::journalProtocolReplaced(JournalKind kind, const QJsonObject& detail, const ProtocolRows& before) {
    if (m_journal)
        m_journal->protocolReplaced(kind, detail, before, protocolSnapshot());
    // The new table is the one a crash must find again; what it replaced is in the journal.
    saveBackupProtocol();
}

void TFormMain::journalFileWritten(JournalKind kind, const QString& type, const QString& file) {
    if (m_journal)
        m_journal->fileWritten(kind, type, file);
}

void TFormMain::Verlauf1Click() {
    if (!m_journal || !m_controller->editStartN1Enabled())
        return;
    if (!m_journalWindow)
        m_journalWindow = new TFormJournal(
            m_journal->path(),
            [this](const ReplacedState& state, const ProtocolRows& rows) { return restoreProtocolState(state, rows); },
            this);
    // What is still queued belongs in the window; the writer is quick, the wait is bounded.
    m_journal->writer().waitForQueue(2000);
    const SortGridData& grid = m_ui.SortGrid1->gridData();
    m_journalWindow->reload(grid.cell(colNr, grid.Row()).trimmed());
    m_journalWindow->exec();
}

bool TFormMain::restoreProtocolState(const ReplacedState& state, const ProtocolRows& rows) {
    if (!m_controller->editStartN1Enabled() || !m_later.yesNo || rows.isEmpty())
        return false;
    const QString when = state.at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    if (!m_later.yesNo->ask(QStringLiteral("Zeitenprotokoll vom %1 wiederherstellen?").arg(when)))
        return false;

    const ProtocolRows before = protocolSnapshot();
    SortGridData& grid = m_ui.SortGrid1->gridData();
    // Exactly as it was, in its order and with its ranks: no sorting, no ranking.
    grid.beginUpdate();
    grid.setRowCount(int(rows.size()) + 1);
    for (int row = 1; row < grid.RowCount(); ++row) {
        grid.clearRow(row);
        const QStringList& cells = rows.at(row - 1);
        for (int col = 0; col < protocolColumnCount; ++col)
            grid.setCell(col, row, cells.value(col));
    }
    grid.endUpdate();
    grid.setRow(1);
    grid.selectRow(1);
    updateProtocolButtons();
    scrollToCurrentRow();
    journalProtocolReplaced(JournalKind::Restored,
                            QJsonObject{{QStringLiteral("from"), journalKindText(state.replacedBy) + u' ' + when},
                                        {QStringLiteral("state"), state.id}},
                            before);
    return true;
}
