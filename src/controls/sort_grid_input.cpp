// TSortGrid's mouse, keyboard and editor handling; construction, geometry and
// drawing are in sort_grid.cpp.

#include "controls/sort_grid.h"

#include "controls/sort_grid_compare.h"
#include "controls/sort_grid_paint.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

// --- mouse ----------------------------------------------------------------

bool TSortGrid::inBorderZone(int col, int x) const {
    const QRect rect = cellRect(col, 0);
    if (rect.isNull()) {
        return false;
    }
    const int right = rect.left() + rect.width(); // the grid line
    return x - rect.left() < borderZone || right - x < borderZone;
}

int TSortGrid::sizingColumnAt(const QPoint& pos) const {
    int col = 0;
    int row = 0;
    if (!mouseToCell(pos, &col, &row) || row != 0) {
        return -1;
    }
    const QRect rect = cellRect(col, 0);
    if (rect.left() + rect.width() - pos.x() < borderZone) {
        return col;
    }
    if (pos.x() - rect.left() < borderZone) {
        for (int c = col - 1; c >= 0; --c) {
            if (m_data->ColWidth(c) >= 0) {
                return c;
            }
        }
    }
    return -1;
}

void TSortGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    int col = 0;
    int row = 0;
    if (!mouseToCell(pos, &col, &row)) {
        return;
    }
    if (row == 0) {
        m_pressedCol = col;
        m_pressedButton = event->button();
        if (event->button() == Qt::LeftButton && (m_options & goColSizing)) {
            m_sizingCol = sizingColumnAt(pos);
            if (m_sizingCol >= 0) {
                hideEditor(true);
                m_sizingStartX = pos.x();
                m_sizingStartWidth = std::max(0, m_data->ColWidth(m_sizingCol));
            }
        }
        return;
    }
    if (event->button() == Qt::RightButton) {
        // The popup's commands act on the current row: make it the row pointed at.
        selectCell(col, row);
        if (m_popupMenu) {
            m_popupMenu->popup(event->globalPosition().toPoint());
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const bool wasCurrent = col == m_data->Col() && row == m_data->Row();
    const QList<int> rowsBefore = m_data->SelectedRows();
    const bool moved = selectCell(col, row);
    if (m_data->SelectedRows() != rowsBefore && OnRowSelected) {
        OnRowSelected();
    }
    if (moved && wasCurrent && (m_options & goEditing)) {
        showEditor();
    }
}

void TSortGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_sizingCol >= 0) {
        m_data->setColWidth(m_sizingCol, std::max(0, m_sizingStartWidth + pos.x() - m_sizingStartX));
        return;
    }
    const bool sizing = (m_options & goColSizing) && sizingColumnAt(pos) >= 0;
    if (sizing) {
        viewport()->setCursor(Qt::SplitHCursor);
    } else {
        viewport()->unsetCursor();
    }
}

void TSortGrid::mouseReleaseEvent(QMouseEvent* event) {
    const int pressedCol = m_pressedCol;
    const Qt::MouseButton pressedButton = m_pressedButton;
    const bool wasSizing = m_sizingCol >= 0;
    m_pressedCol = -1;
    m_pressedButton = Qt::NoButton;
    m_sizingCol = -1;
    if (wasSizing || pressedCol < 0 || event->button() != pressedButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    int col = 0;
    int row = 0;
    if (!mouseToCell(pos, &col, &row) || row != 0 || col != pressedCol || inBorderZone(col, pos.x())) {
        return;
    }
    headerClicked(col, event->button());
}

void TSortGrid::headerClicked(int col, Qt::MouseButton button) {
    TSortOptions& options = m_data->SortOptions();
    if (!options.CanSort) {
        return;
    }
    if (button == Qt::RightButton) {
        options.SortDirection = sdDescending;
    } else if (options.SortDirection == sdAscending && options.SortCol == col) {
        options.SortDirection = sdDescending;
    } else {
        options.SortDirection = sdAscending;
    }
    m_data->sortByColumn(col);
    if (OnHeaderClick)
        OnHeaderClick(col);
    viewport()->update();
}

void TSortGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    int col = 0;
    int row = 0;
    if (event->button() == Qt::LeftButton && mouseToCell(pos, &col, &row) && row == 0) {
        const QRect rect = cellRect(col, 0);
        if (rect.left() + rect.width() - pos.x() < 3) {
            fitColumn(col);
        } else if (pos.x() - rect.left() < 3 && col > 0) {
            fitColumn(col - 1); // by index, so a hidden column comes back
        }
    }
    if (OnDblClick) {
        OnDblClick();
    }
}

void TSortGrid::fitColumn(int col) {
    QStringList cells;
    cells.reserve(m_data->RowCount() - 1);
    for (int row = 1; row < m_data->RowCount(); ++row) {
        cells.append(m_data->cell(col, row));
    }
    const TSortOptions& options = m_data->SortOptions();
    const int headerExtra = options.CanSort && options.SortCol == col ? 12 : 0;
    const QFontMetrics metrics(font());
    m_data->setColWidth(col, fitColumnWidth(m_data->cell(col, 0), cells, headerExtra,
                                            [&metrics](const QString& t) { return metrics.horizontalAdvance(t); }));
}

// --- selection and keys ---------------------------------------------------

bool TSortGrid::selectCell(int col, int row) {
    if (col < 0 || col >= m_data->ColCount() || row < 1 || row >= m_data->RowCount()) {
        return false;
    }
    bool canSelect = true;
    if (OnSelectCell) {
        OnSelectCell(col, row, canSelect);
    }
    if (!canSelect) {
        viewport()->update();
        return false;
    }
    if (isEditing() && (col != m_editCol || row != m_editRow)) {
        hideEditor(true);
    }
    m_data->moveCurrent(col, row, m_options & goRowSelect);
    scrollToCell(col, row);
    return true;
}

bool TSortGrid::findByFirstChar(QChar c) {
    const int sortCol = m_data->SortOptions().SortCol;
    const int current = m_data->Row();
    auto matches = [&](int row) {
        const QString text = m_data->cell(sortCol, row);
        return !text.isEmpty() && upperCaseAZ(text.at(0)) == c;
    };
    int found = -1;
    for (int row = current + 1; row < m_data->RowCount() && found < 0; ++row) {
        if (matches(row)) {
            found = row;
        }
    }
    for (int row = 1; row <= current && found < 0; ++row) {
        if (matches(row)) {
            found = row;
        }
    }
    if (found < 0) {
        return false;
    }
    selectCell(m_data->Col(), found);
    return true;
}

void TSortGrid::moveBy(int dCol, int dRow) {
    int col = m_data->Col();
    if (dCol != 0) {
        // Skip hidden columns; stay put at the edge.
        for (int c = col + dCol; c >= 0 && c < m_data->ColCount(); c += dCol) {
            if (m_data->ColWidth(c) >= 0) {
                col = c;
                break;
            }
        }
    }
    const int row = std::clamp(m_data->Row() + dRow, 1, m_data->RowCount() - 1);
    if (col != m_data->Col() || row != m_data->Row()) {
        selectCell(col, row);
    }
}

void TSortGrid::keyPressEvent(QKeyEvent* event) {
    const int page = visibleDataRows();
    const int last = m_data->RowCount() - 1;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        moveBy(0, -1);
        return;
    case Qt::Key_Down:
        moveBy(0, 1);
        return;
    case Qt::Key_PageUp:
        moveBy(0, -page);
        return;
    case Qt::Key_PageDown:
        moveBy(0, page);
        return;
    case Qt::Key_Left:
        moveBy(-1, 0);
        return;
    case Qt::Key_Right:
        moveBy(1, 0);
        return;
    case Qt::Key_Home:
        ctrl ? moveBy(0, -last) : moveBy(-m_data->ColCount(), 0);
        return;
    case Qt::Key_End:
        ctrl ? moveBy(0, last) : moveBy(m_data->ColCount(), 0);
        return;
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        showEditor();
        return;
    default:
        break;
    }
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && text.size() == 1 && text.at(0).isPrint() && !isEditing()) {
        const QChar c = upperCaseAZ(text.at(0));
        // A key that starts typing into the current cell must stay there: a jump
        // first would put the text into another row's cell.
        if (!(m_options & goEditing)) {
            findByFirstChar(c);
        }
        if (m_options & goEditing) {
            showEditor();
            if (isEditing()) {
                m_editor->setText(QString(c));
            }
        }
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// --- editing --------------------------------------------------------------

bool TSortGrid::isEditing() const {
    return m_editRow >= 0;
}

void TSortGrid::showEditor() {
    if (!(m_options & goEditing) || isEditing()) {
        return;
    }
    const int col = m_data->Col();
    const int row = m_data->Row();
    scrollToCell(col, row);
    if (cellRect(col, row).isNull()) {
        return;
    }
    m_editCol = col;
    m_editRow = row;
    m_editor->setFont(font());
    m_editor->setText(m_data->cell(col, row));
    m_editor->selectAll();
    placeEditor();
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void TSortGrid::hideEditor(bool store) {
    if (!isEditing()) {
        return;
    }
    const int col = m_editCol;
    const int row = m_editRow;
    m_editCol = m_editRow = -1; // first, as hiding ends the editing again
    const bool hadFocus = m_editor->hasFocus();
    m_editor->hide();
    if (hadFocus) {
        setFocus(Qt::OtherFocusReason);
    }
    if (store) {
        const QString before = m_data->cell(col, row);
        const QString after = m_editor->text();
        m_data->setCell(col, row, after);
        if (OnCellEdited && before != after) {
            OnCellEdited(col, row, before, after);
        }
    }
    viewport()->update();
}

void TSortGrid::placeEditor() {
    if (!isEditing()) {
        return;
    }
    const QRect rect = cellRect(m_editCol, m_editRow);
    if (rect.isNull()) {
        hideEditor(true);
        return;
    }
    m_editor->setGeometry(rect);
}

bool TSortGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Escape:
            hideEditor(false);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            hideEditor(true);
            return true;
        case Qt::Key_Up:
            hideEditor(true);
            moveBy(0, -1);
            return true;
        case Qt::Key_Down:
            hideEditor(true);
            moveBy(0, 1);
            return true;
        default:
            break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}
