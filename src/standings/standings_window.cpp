// The standings window's controls: the group and the counting chosen from lists, the table
// refilled as the protocol changes, printing and saving as a web page.

#include "standings/standings_window.h"

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/protocol_html.h"
#include "protocol/protocol_page_print.h"
#include "standings/standings_html.h"
#include "standings/standings_table.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

StandingsWindow::StandingsWindow(const SortGridData& grid, Links links, QWidget* parent)
    : QWidget(parent, Qt::Window), m_grid(grid), m_links(std::move(links)), m_table(new QTableWidget(this)),
      m_tableFill(m_table) {
    setWindowTitle(QStringLiteral("Wertung"));
    resize(760, 560);

    m_groupChooser = new QComboBox(this);
    m_groupChooser->setMinimumContentsLength(16);
    m_countChooser = new QComboBox(this);
    m_countChooser->addItems({QStringLiteral("Bester Lauf"), QStringLiteral("Summe der 2 besten Läufe"),
                              QStringLiteral("Summe der 3 besten Läufe")});
    m_ruleLabel = new QLabel(this);
    auto* print = new QPushButton(QStringLiteral("Drucken"), this);
    print->setToolTip(QStringLiteral("[Ctrl+P] Drucken"));
    auto* save = new QPushButton(QStringLiteral("Als Webseite"), this);
    save->setToolTip(QStringLiteral("[Ctrl+S] Als Webseite speichern"));

    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setAlternatingRowColors(true);

    auto* choosers = new QHBoxLayout;
    choosers->addWidget(new QLabel(QStringLiteral("Gruppe:"), this));
    choosers->addWidget(m_groupChooser, 1);
    choosers->addWidget(new QLabel(QStringLiteral("Wertung:"), this));
    choosers->addWidget(m_countChooser);
    choosers->addWidget(print);
    choosers->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choosers);
    layout->addWidget(m_ruleLabel);
    layout->addWidget(m_table, 1);
    // Closed like the program's other windows: "Schließen" or Escape.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Schließen"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
    layout->addWidget(buttons);

    auto* printAction = new QAction(QStringLiteral("Drucken"), this);
    printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    addAction(printAction);
    auto* saveAction = new QAction(QStringLiteral("Als Webseite speichern"), this);
    saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(saveAction);
    connect(printAction, &QAction::triggered, this, &StandingsWindow::printStandings);
    connect(print, &QPushButton::clicked, this, &StandingsWindow::printStandings);
    connect(saveAction, &QAction::triggered, this, &StandingsWindow::savePage);
    connect(save, &QPushButton::clicked, this, &StandingsWindow::savePage);

    connect(m_groupChooser, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            fillTable();
    });
    connect(m_countChooser, &QComboBox::activated, this, &StandingsWindow::chooseCount);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { cellDoubleClicked(row); });

    // Every finish, accident, edit, removal and load reaches the grid; a burst of them
    // (a load, a sort) is computed once, off the GUI thread: at 5,000 rows that takes longer
    // than a frame.
    m_updater = new StandingsUpdater(
        [this] { return standingsInputOf(m_grid, m_links.wertung ? m_links.wertung() : 1); }, this);
    connect(m_updater, &StandingsUpdater::ready, this, &StandingsWindow::showResult);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, m_updater, &StandingsUpdater::request);
    connect(&m_grid, &SortGridData::gridReset, this, &StandingsWindow::scheduleRefresh);
    connect(&m_grid, &SortGridData::cellChanged, this, &StandingsWindow::scheduleRefresh);
    connect(&m_grid, &SortGridData::sortFinished, this, &StandingsWindow::scheduleRefresh);
}

void StandingsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void StandingsWindow::keyPressEvent(QKeyEvent* event) {
    // As in the program's dialogs: Escape closes, unless a child (an open list) took it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void StandingsWindow::scheduleRefresh() {
    if (isVisible())
        m_refreshTimer.start();
}

void StandingsWindow::refresh() {
    m_refreshTimer.stop();
    showResult(m_updater->computeNow());
}

void StandingsWindow::showResult(const StandingsResult& result) {
    m_rule = result.rule;
    m_groups = result.groups;
    m_bestRowIds = result.bestRowIds;
    m_countChooser->setCurrentIndex(m_rule.countedRuns - 1);
    m_ruleLabel->setText(QStringLiteral("Gewertet: ") + standingsRuleText(m_rule) +
                         (m_rule.descending ? QStringLiteral(" (größter Wert vorn)") : QString()));
    fillGroupChooser();
    fillTable();
}

void StandingsWindow::fillGroupChooser() {
    QStringList titles;
    titles.reserve(m_groups.size());
    for (const StandingsGroup& group : m_groups)
        titles.append(group.title);
    // Most finishes add no group: the list stays as it is, and so does what is chosen.
    if (titles.size() == m_groupChooser->count()) {
        int same = 0;
        while (same < titles.size() && m_groupChooser->itemText(same) == titles.at(same))
            ++same;
        if (same == titles.size())
            return;
    }
    // The official's group stays chosen while others appear or go.
    const QString chosen = m_groupChooser->currentText();
    m_filling = true;
    m_groupChooser->clear();
    m_groupChooser->addItems(titles);
    const int again = m_groupChooser->findText(chosen, Qt::MatchExactly);
    m_groupChooser->setCurrentIndex(again >= 0 ? again : (m_groups.isEmpty() ? -1 : 0));
    m_filling = false;
}

int StandingsWindow::shownGroup() const {
    const int index = m_groupChooser->currentIndex();
    return index >= 0 && index < m_groups.size() ? index : -1;
}

void StandingsWindow::showGroup(int index) {
    m_groupChooser->setCurrentIndex(index);
}

void StandingsWindow::fillTable() {
    const int group = shownGroup();
    m_tableFill.show(group >= 0 ? m_groups[group].title : QString(),
                     group >= 0 ? m_groups[group].entries : QList<StandingsEntry>(), m_rule);
}

void StandingsWindow::chooseCount(int index) {
    if (m_links.setWertung)
        m_links.setWertung(index + 1);
    refresh();
}

void StandingsWindow::cellDoubleClicked(int row) {
    const int group = shownGroup();
    if (group < 0 || row < 0 || row >= m_bestRowIds[group].size())
        return;
    const quint64 id = m_bestRowIds[group][row];
    if (id != 0)
        emit bestRunChosen(id);
}

QString StandingsWindow::dateText() const {
    // German like every text of the program, whatever the desktop's language.
    const QDate date = m_links.today ? m_links.today() : QDate::currentDate();
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString StandingsWindow::pageText() const {
    return standingsHtmlText(m_groups, m_rule, m_links.title ? m_links.title() : QString(), dateText(),
                             QStringLiteral("utf-8"));
}

bool StandingsWindow::savePage() {
    refresh();
    const QString fileName = m_links.pageFile ? m_links.pageFile() : QString();
    if (fileName.isEmpty())
        return false;
    const QByteArray bytes =
        standingsHtmlBytes(m_groups, m_rule, m_links.title ? m_links.title() : QString(), dateText());
    if (!writeFileAtomically(fileName, bytes)) {
        QMessageBox::critical(this, m_links.caption, QStringLiteral("Der Schreibfehler der Datei: ") + fileName);
        return false;
    }
    if (m_links.pageWritten)
        m_links.pageWritten(fileName);
    if (m_links.openUrl)
        m_links.openUrl(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()));
    return true;
}

void StandingsWindow::printStandings() {
    refresh();
    const QString docName = m_links.pageFile ? QFileInfo(m_links.pageFile()).fileName() : QStringLiteral("Wertung");
    printHtmlPage(this, pageText(), docName, m_links.caption);
}

bool StandingsWindow::printTo(QPrinter& printer) {
    refresh();
    return printHtmlTo(printer, pageText());
}
