// The main window's side of the protocol table: how its cells look, which of them the
// official types into, the double click that takes start numbers from a row, removing a
// row and clearing the whole protocol. The rules themselves live in protocol/.

#include "app/form_main.h"

#include "app/command_key_guard.h"
#include "app/form_main_commands.h"
#include "app/protocol_corrections.h"
#include "app/status_line.h"
#include "app/status_panels.h"
#include "controls/bgr_color.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "display/display_panel.h"
#include "display/display_state.h"
#include "journal/journal.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/protocol_table.h"
#include "run/hand_given_marks.h"
#include "run/run_controller.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>

void TFormMain::wireProtocolTable() {
    TSortGrid* grid = m_ui.SortGrid1;
    grid->OnGetCellFormat = [this](int Col, int Row, TGridDrawState State, TFormatOptions& FormatOptions,
                                   bool& CheckBox, bool& Combobox, bool& Ellipsis) {
        SortGrid1GetCellFormat(Col, Row, State, FormatOptions, CheckBox, Combobox, Ellipsis);
    };
    grid->OnSelectCell = [this](int ACol, int ARow, bool& CanSelect) { SortGrid1SelectCell(ACol, ARow, CanSelect); };
    grid->OnDblClick = [this] { SortGrid1DblClick(); };
    grid->OnHeaderClick = [grid](int Col) { protocolHeaderClicked(grid->gridData(), Col); };
    connect(&grid->gridData(), &SortGridData::currentChanged, this, &TFormMain::protocolSelectionChanged);

    const FormMainCommands& c = *m_commands;
    connect(m_ui.PopupMenuProtokol, &QMenu::aboutToShow, this, &TFormMain::PopupMenuProtokolPopup);
    connect(m_ui.Erase1, &QAction::triggered, this, &TFormMain::Erase1Click);
    connect(c.Zeileentfernen1, &QAction::triggered, this, &TFormMain::Erase1Click);
    connect(c.Clear1, &QAction::triggered, this, &TFormMain::sbCLSClick);
    connect(m_ui.sbCLS, &TLbSpeedButton::OnClick, this, &TFormMain::sbCLSClick);

    // The start-number fields would keep Ctrl+X and the like as editing keys; the
    // commands come first there. The cell editor keeps its keys while a name is typed.
    auto* keys = new CommandKeyGuard(c.MainMenu1->actions(), this);
    keys->guard(m_ui.PanelDisplay->editStartN1);
    keys->guard(m_ui.PanelDisplay->editStartN2);

    connect(m_controller, &RunController::handGivenRun, this, [this](quint64 rowId, HandGivenEvents events) {
        m_handMarks.mark(rowId, events);
        m_ui.SortGrid1->update();
    });

    ProtocolCorrections::Hooks hooks;
    hooks.runInProgress = [this] { return !m_controller->editStartN1Enabled(); };
    hooks.confirm = [this](const QString& question) { return askYesNo(question, true); };
    hooks.askNumber = [this](int current) { return askStartNumber(this, m_names.baseName, current); };
    hooks.changed = [this] { protocolCorrected(); };
    hooks.cellChanged = [this](int row, int col, const QString& before, const QString& after) {
        if (m_journal)
            m_journal->cellEdited(row, m_ui.SortGrid1->gridData().cell(colNr, row), col, before, after);
    };
    new ProtocolCorrections(m_ui.PopupMenuProtokol, grid->gridData(), hooks, this);
}

bool TFormMain::askYesNo(const QString& question, bool defaultNo) {
    // Before the dialog exists nobody can be asked, and nothing is done unasked.
    return m_later.yesNo && m_later.yesNo->ask(question, defaultNo);
}

void TFormMain::protocolCorrected() {
    ::rankProtocol(m_ui.SortGrid1->gridData(), m_controller->cbPlatzOn(), m_controller->startNumberText());
    updateProtocolButtons();
    // A correction is as much the event's record as a finish.
    saveBackupProtocol();
}

void TFormMain::SortGrid1GetCellFormat(int Col, int Row, TGridDrawState, TFormatOptions& FormatOptions, bool&, bool&,
                                       bool&) {
    const SortGridData& data = m_ui.SortGrid1->gridData();
    const ProtocolCellLook look = protocolCellLook(Col, Row, data.Row());
    if (look.leftJustify)
        FormatOptions.AlignmentHorz = taLeftJustify;
    if (look.background)
        FormatOptions.Brush = QBrush(colorFromBgr(*look.background));
    // A time given by hand is not a barrier's: dark red italics, also in the current row.
    if (Row >= 1 && HandGivenMarks::isMarkedCell(Col, m_handMarks.of(data.rowId(Row)))) {
        FormatOptions.Font.setItalic(true);
        FormatOptions.FontColor = QColor(160, 0, 0);
    }
}

void TFormMain::SortGrid1SelectCell(int ACol, int ARow, bool& CanSelect) {
    TSortGrid* grid = m_ui.SortGrid1;
    SortGridData& data = grid->gridData();
    m_ui.StatusBar1->setPanelText(0, protocolPositionText(ARow, data.RowCount()));
    // The official who clicks a marked run reads which of its events were given by hand.
    if (const HandGivenEvents given = m_handMarks.of(data.rowId(ARow)))
        m_statusLine->showNote(QStringLiteral("Nr. %1 ").arg(data.cell(colNr, ARow)) + HandGivenMarks::note(given));
    TGridOptions options = grid->Options();
    if (isTypedProtocolColumn(ACol)) {
        options.setFlag(goEditing, true);
        options.setFlag(goRowSelect, false);
        grid->setOptions(options);
        return;
    }
    data.selectRow(ARow);
    options.setFlag(goEditing, false);
    options.setFlag(goRowSelect, true);
    grid->setOptions(options);
    CanSelect = false;
}

void TFormMain::protocolSelectionChanged() {
    TSortGrid* grid = m_ui.SortGrid1;
    const SortGridData& data = grid->gridData();
    m_ui.StatusBar1->setPanelText(0, protocolPositionText(data.Row(), data.RowCount()));
    // A row the program selected (start, finish, ranking) is not open for typing: a
    // key must not go into its "Nr." or result cells.
    const TGridRect selection = data.Selection();
    const bool typed = isTypedProtocolColumn(data.Col()) && selection.Left == selection.Right;
    TGridOptions options = grid->Options();
    if (bool(options & goEditing) == typed && bool(options & goRowSelect) == !typed)
        return;
    options.setFlag(goEditing, typed);
    options.setFlag(goRowSelect, !typed);
    grid->setOptions(options);
}

void TFormMain::scrollToCurrentRow() {
    const SortGridData& data = m_ui.SortGrid1->gridData();
    m_ui.SortGrid1->scrollToCell(data.Col(), data.Row());
}

void TFormMain::SortGrid1DblClick() {
    // During a run the run's number must stay as it started.
    if (!m_controller->editStartN1Enabled())
        return;
    const SortGridData& data = m_ui.SortGrid1->gridData();
    const StartNumbers numbers = startNumbersFromRow(data, data.Row());
    if (numbers.startNumber)
        m_controller->setEditStartN1(*numbers.startNumber);
    if (numbers.nextStarter)
        m_controller->setEditStartN2(*numbers.nextStarter);
}

void TFormMain::Erase1Click() {
    SortGridData& data = m_ui.SortGrid1->gridData();
    // A finish while the question is open ranks the rows and selects its own: the row asked
    // about is found again by its identity.
    const quint64 asked = data.rowId(data.Row());
    if (rowHasTime(data, data.Row()) &&
        !askYesNo(QStringLiteral("Zeile Nr. %1 mit gemessener Zeit entfernen?").arg(data.cell(colNr, data.Row())),
                  true))
        return;
    const int row = data.rowOfId(asked);
    if (row < 1)
        return;
    const ProtocolRows before = protocolSnapshot();
    const QStringList cells = data.rowCells(row);
    data.deleteRow(row);
    ::rankProtocol(data, m_controller->cbPlatzOn(), m_controller->startNumberText());
    updateProtocolButtons();
    if (m_journal)
        m_journal->rowRemoved(row, cells, before, protocolSnapshot());
    // A removed run (a false start entered twice) must not come back after a crash.
    saveBackupProtocol();
}

void TFormMain::PopupMenuProtokolPopup() {
    updateProtocolButtons();
}

void TFormMain::sbCLSClick() {
    if (!askYesNo(QStringLiteral("Zeitenprotokoll  löschen?"), true))
        return;
    const ProtocolRows before = protocolSnapshot();
    clearProtocol(m_ui.SortGrid1->gridData());
    journalProtocolReplaced(JournalKind::Cleared, {}, before);
    updateProtocolButtons();
    m_display->showTime(DisplayState::LowerPanel, 0);
}
