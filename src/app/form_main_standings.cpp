// The standings window seen from the main window: Ctrl+G and the protocol's popup menu show
// it, and a double-click on a competitor selects their best run in the protocol.

#include "app/form_main.h"

#include "app/form_main_commands.h"
#include "controls/sort_grid.h"
#include "standings/standings_html.h"
#include "standings/standings_window.h"

#include <QAction>
#include <QDir>
#include <QMenu>

void TFormMain::setupStandings() {
    StandingsWindow::Links links;
    links.wertung = [this] { return m_settings.Wertung; };
    links.setWertung = [this](int wertung) {
        m_settings.Wertung = wertung;
        scheduleLiveSnapshot(); // the live page counts the same way
    };
    links.title = [this] { return m_settings.Title; };
    links.pageFile = [this] {
        return QDir(m_environment.currentFolder).absoluteFilePath(standingsPageName(m_names.baseName));
    };
    links.openUrl = m_environment.openUrl;
    links.pageWritten = [this](const QString& file) {
        journalFileWritten(JournalKind::Saved, QStringLiteral("Wertung-Webseite"), file);
    };
    links.today = [this] {
        return (m_environment.clock ? m_environment.clock() : QDateTime::currentDateTime()).date();
    };
    links.caption = m_names.baseName;
    m_standings = new StandingsWindow(m_ui.SortGrid1->gridData(), std::move(links), this);

    m_standingsItem = new QAction(QStringLiteral("Wertung"), this);
    m_standingsItem->setObjectName(QStringLiteral("Wertung1"));
    m_standingsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    m_standingsItem->setShortcutContext(Qt::WindowShortcut);
    m_commands->MainMenu1->addAction(m_standingsItem);
    addAction(m_standingsItem);
    QAction* popupItem = m_ui.PopupMenuProtokol->addAction(QStringLiteral("Wertung (Strg+G)"));
    popupItem->setObjectName(QStringLiteral("Wertung2"));

    const auto show = [this] {
        m_standings->show();
        m_standings->raise();
        m_standings->activateWindow();
    };
    connect(m_standingsItem, &QAction::triggered, this, show);
    connect(popupItem, &QAction::triggered, this, show);
    connect(m_standings, &StandingsWindow::bestRunChosen, this, [this](quint64 rowId) {
        SortGridData& grid = m_ui.SortGrid1->gridData();
        const int row = grid.rowOfId(rowId);
        if (row < 1)
            return;
        grid.moveCurrent(0, row, true);
        scrollToCurrentRow();
        raise();
        activateWindow();
    });
}
