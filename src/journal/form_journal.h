// "Verlauf" (Ctrl+J): the protocol states that steps replaced, with their tables and a way
// back, and the journal entries of the current row's start number.

#pragma once

#include "journal/journal_entry.h"
#include "journal/journal_reader.h"

#include <QDialog>

#include <functional>

class NumberEntriesModel;
class ProtocolRowsModel;
class QLabel;
class QPushButton;
class QTableView;
class ReplacedStatesModel;

// Reads the journal when it is opened (after the writer has caught up), shows the replaced
// states newest first and the selected one's rows, and hands a state the official wants
// back to `restore`, which asks and applies it (returns whether it did). GUI thread only.
class TFormJournal : public QDialog {
    Q_OBJECT

public:
    using Restore = std::function<bool(const ReplacedState& state, const ProtocolRows& rows)>;

    TFormJournal(const QString& journalPath, Restore restore, QWidget* parent = nullptr);
    ~TFormJournal() override;

    // Reads the journal again; the entries below are those of startNumber ("" none).
    void reload(const QString& startNumber);

    // For tests: the tables and the button as the official sees them.
    const ReplacedStatesModel& states() const { return *m_states; }
    const ProtocolRowsModel& stateRows() const { return *m_rows; }
    const NumberEntriesModel& numberEntries() const { return *m_entries; }
    QTableView* statesView() const { return m_statesView; }
    QPushButton* restoreButton() const { return m_restore; }

private:
    void showSelectedState();
    void restoreSelected();

    QString m_path;
    Restore m_restoreState;
    QString m_startNumber;
    ReplacedStatesModel* m_states;
    ProtocolRowsModel* m_rows;
    NumberEntriesModel* m_entries;
    QTableView* m_statesView;
    QTableView* m_rowsView;
    QTableView* m_entriesView;
    QLabel* m_entriesCaption;
    QPushButton* m_restore;
};
