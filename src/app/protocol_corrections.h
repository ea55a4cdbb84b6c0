#pragma once

// The popup items with which the official corrects a run in the protocol table.

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;
class SortGridData;

// "Lauf ungültig (AUS)" and "Nr. ändern…" in the protocol table's popup menu. Both act on
// the current row, only outside a run (a running run's row is the controller's); both ask
// first. What follows a change (ranking, backup, buttons) is the window's. GUI thread.
class ProtocolCorrections : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        std::function<bool()> runInProgress;
        // Asks a yes/no question whose default answer is "Nein"; false without an answer.
        std::function<bool(const QString&)> confirm;
        // Reads a start number, prefilled with the current one; nothing when cancelled.
        std::function<std::optional<int>(int current)> askNumber;
        std::function<void()> changed;
        // Each cell a correction changed, before the table is ranked again (for the journal).
        std::function<void(int row, int col, const QString& before, const QString& after)> cellChanged;
    };

    ProtocolCorrections(QMenu* popup, SortGridData& grid, Hooks hooks, QObject* parent = nullptr);

    QAction* const markInvalidAction;
    QAction* const changeNumberAction;

    void markInvalid();
    void changeNumber();

private:
    // Tells the journal which cells changed, then has the table ranked again.
    void corrected(int row, const QStringList& before);
    void updateEnabled();
    // "7 (6,500)": the row's start number and, where it has one, its time.
    QString runNameOf(int row) const;

    SortGridData& m_grid;
    Hooks m_hooks;
};

// The number dialog "Nr. ändern…" shows: 1 to 9999, digits only.
std::optional<int> askStartNumber(QWidget* parent, const QString& title, int current);
