// The "Wertung" window: the standings of one group at a time, chosen from a list, following
// the protocol as it changes; printed (Ctrl+P) and saved as a web page (Ctrl+S); closed by
// "Schließen" or Escape. GUI thread only.

#pragma once

#include "standings/standings.h"
#include "standings/standings_table_fill.h"
#include "standings/standings_updater.h"

#include <QDate>
#include <QList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QTableWidget;
class SortGridData;

class StandingsWindow : public QWidget {
    Q_OBJECT

public:
    // What the window reads and does outside itself; an empty function is skipped.
    struct Links {
        std::function<int()> wertung;                    // the "Wertung" setting
        std::function<void(int)> setWertung;             // the official chose another count
        std::function<QString()> title;                  // the event title, heading page and print
        std::function<QString()> pageFile;               // where the page is saved
        std::function<void(const QUrl&)> openUrl;        // shows the saved page
        std::function<void(const QString&)> pageWritten; // the page was saved under this name
        std::function<QDate()> today;                    // the date printed
        QString caption;                                 // message boxes' title
    };

    StandingsWindow(const SortGridData& grid, Links links, QWidget* parent = nullptr);

    // Computes the standings from the protocol now; otherwise that happens once after a
    // burst of changes, while the window is shown, on a worker thread.
    void refresh();

    const QList<StandingsGroup>& standings() const { return m_groups; }
    StandingsRule rule() const { return m_rule; }
    // The group shown, as an index into standings(); -1 for none.
    int shownGroup() const;
    void showGroup(int index);
    QTableWidget* table() const { return m_table; }
    QComboBox* groupChooser() const { return m_groupChooser; }
    QComboBox* countChooser() const { return m_countChooser; }

    // Ctrl+S: writes the page under pageFile and opens it; a failed write is reported and
    // leaves an older page as it was.
    bool savePage();
    // Ctrl+P: the print dialog, then every group on pages of its own.
    void printStandings();
    bool printTo(QPrinter& printer);
    QString pageText() const;

signals:
    // A double-click on a competitor: the protocol row of their best run (its row id).
    void bestRunChosen(quint64 rowId);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void scheduleRefresh();
    void showResult(const StandingsResult& result);
    QString dateText() const;
    void fillTable();
    void fillGroupChooser();
    void chooseCount(int index);
    void cellDoubleClicked(int row);

    const SortGridData& m_grid;
    const Links m_links;
    QComboBox* m_groupChooser = nullptr;
    QComboBox* m_countChooser = nullptr;
    QLabel* m_ruleLabel = nullptr;
    QTableWidget* m_table = nullptr;
    StandingsTableFill m_tableFill;
    QTimer m_refreshTimer;
    StandingsUpdater* m_updater = nullptr;
    StandingsRule m_rule;
    QList<StandingsGroup> m_groups;
    QList<QList<quint64>> m_bestRowIds; // per group and entry, taken when computed
    bool m_filling = false;
};
