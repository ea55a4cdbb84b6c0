// The "Verlauf" window: three tables and the restore button.

#include "journal/form_journal.h"

#include "journal/journal_models.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QTableView* makeView(QAbstractItemModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->setDefaultSectionSize(20);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

QWidget* titled(const QString& title, QWidget* content, QLabel** label = nullptr) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 4, 0, 0);
    auto* caption = new QLabel(title, box);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    layout->addWidget(caption);
    layout->addWidget(content);
    if (label)
        *label = caption;
    return box;
}

} // namespace

TFormJournal::TFormJournal(const QString& journalPath, Restore restore, QWidget* parent)
    : QDialog(parent), m_path(journalPath), m_restoreState(std::move(restore)), m_states(new ReplacedStatesModel(this)),
      m_rows(new ProtocolRowsModel(this)), m_entries(new NumberEntriesModel(this)) {
    setObjectName(QStringLiteral("FormJournal"));
    setWindowTitle(QStringLiteral("Verlauf"));
    resize(1000, 680);

    m_statesView = makeView(m_states, this);
    m_statesView->verticalHeader()->hide();
    m_rowsView = makeView(m_rows, this);
    m_rowsView->horizontalHeader()->setStretchLastSection(false); // the protocol's ten columns as they are
    m_entriesView = makeView(m_entries, this);
    m_entriesView->verticalHeader()->hide();

    m_restore = new QPushButton(QStringLiteral("&Wiederherstellen"), this);
    m_restore->setEnabled(false);
    m_restore->setToolTip(QStringLiteral("Macht den gewählten Stand zum Zeitenprotokoll"));
    auto* stateBox = new QWidget(this);
    auto* stateLayout = new QVBoxLayout(stateBox);
    stateLayout->setContentsMargins(0, 0, 0, 0);
    stateLayout->addWidget(m_rowsView);
    stateLayout->addWidget(m_restore, 0, Qt::AlignRight);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(titled(QStringLiteral("Ersetzte Stände des Zeitenprotokolls (neueste zuerst)"), m_statesView));
    splitter->addWidget(titled(QStringLiteral("Gewählter Stand"), stateBox));
    splitter->addWidget(titled(QString(), m_entriesView, &m_entriesCaption));
    splitter->setSizes({180, 260, 180});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Schließen"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    layout->addWidget(buttons);

    connect(m_statesView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TFormJournal::showSelectedState);
    connect(m_restore, &QPushButton::clicked, this, &TFormJournal::restoreSelected);
}

TFormJournal::~TFormJournal() = default;

void TFormJournal::reload(const QString& startNumber) {
    m_startNumber = startNumber;
    const JournalReader reader(m_path);
    m_states->setStates(reader.replacedStates());
    m_entries->setEntries(startNumber.isEmpty() ? QList<JournalRecord>{} : reader.entriesOfNumber(startNumber));
    m_entriesCaption->setText(startNumber.isEmpty()
                                  ? QStringLiteral("Läufe der aktuellen Zeile: keine Startnummer")
                                  : QStringLiteral("Läufe und Änderungen der aktuellen Zeile, Nr. ") + startNumber);
    m_entriesView->resizeColumnsToContents();
    m_entriesView->horizontalHeader()->setStretchLastSection(true);
    m_rows->setRows({});
    m_restore->setEnabled(false);
    if (m_states->rowCount() > 0)
        m_statesView->selectRow(0);
    m_statesView->resizeColumnsToContents();
    m_statesView->horizontalHeader()->setStretchLastSection(true);
}

void TFormJournal::showSelectedState() {
    const QModelIndex current = m_statesView->currentIndex();
    if (!current.isValid()) {
        m_rows->setRows({});
        m_restore->setEnabled(false);
        return;
    }
    const JournalReader reader(m_path);
    const std::optional<ProtocolRows> rows = reader.stateRows(m_states->state(current.row()).id);
    m_rows->setRows(rows.value_or(ProtocolRows{}));
    m_rowsView->resizeColumnsToContents();
    m_restore->setEnabled(rows.has_value());
}

void TFormJournal::restoreSelected() {
    const QModelIndex current = m_statesView->currentIndex();
    if (!current.isValid() || !m_restoreState)
        return;
    if (m_restoreState(m_states->state(current.row()), m_rows->rows()))
        accept();
}
