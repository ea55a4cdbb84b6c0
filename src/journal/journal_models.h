// Table models of the "Verlauf" window: the replaced protocol states, one state's rows and
// a start number's journal entries. Models only, no widgets, so a test reads them directly.

#pragma once

#include "journal/journal_entry.h"
#include "journal/journal_reader.h"

#include <QAbstractTableModel>

// Replaced protocol states, newest first: "Zeitpunkt", "Ersetzt durch", "Zeilen", "Namen".
class ReplacedStatesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setStates(QList<ReplacedState> states);
    const ReplacedState& state(int row) const { return m_states.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<ReplacedState> m_states;
};

// A protocol state's rows under the protocol's ten headers.
class ProtocolRowsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(ProtocolRows rows);
    const ProtocolRows& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    ProtocolRows m_rows;
};

// A start number's run events and cell edits, oldest first: "Zeitpunkt", "Ereignis",
// "Gegeben von", "Zählerstand", "Inhalt".
class NumberEntriesModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(QList<JournalRecord> records);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<JournalRecord> m_records;
};

// What an entry of a run or an edit says, in one line: the result texts of a finish with the
// four barrier stamps, the old and new text of an edit.
QString journalEntryContent(const JournalEntry& entry);
// "Taste F8", "Lichtschranke L4", or the text as it is.
QString journalSourceText(const QString& source);
