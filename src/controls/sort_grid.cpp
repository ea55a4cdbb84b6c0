#include "controls/sort_grid.h"

#include "controls/sort_grid_compare.h"
#include "controls/sort_grid_paint.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

const QColor dataLineColor(192, 192, 192);
const QColor fixedLineColor(0, 0, 0);

} // namespace

TSortGrid::TSortGrid(QWidget* parent) : QAbstractScrollArea(parent), m_data(new SortGridData(this)), m_ownsData(true) {
    init();
}

TSortGrid::TSortGrid(SortGridData* data, QWidget* parent)
    : QAbstractScrollArea(parent), m_data(data), m_ownsData(false) {
    init();
}

TSortGrid::~TSortGrid() {
    // A borrowed data object may outlive us: cut the connections first.
    if (!m_ownsData) {
        disconnect(m_data, nullptr, this, nullptr);
    }
}

void TSortGrid::init() {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);

    m_editor = new QLineEdit(viewport());
    m_editor->setFrame(false);
    m_editor->hide();
    m_editor->installEventFilter(this);
    connect(m_editor, &QLineEdit::editingFinished, this, [this] { hideEditor(true); });

    connect(m_data, &SortGridData::rowsAboutToChange, this, [this] { hideEditor(true); });
    connect(m_data, &SortGridData::cellChanged, this,
            [this](int col, int row) { viewport()->update(cellRect(col, row)); });
    connect(m_data, &SortGridData::gridReset, this, &TSortGrid::refresh);
    connect(m_data, &SortGridData::colWidthChanged, this, &TSortGrid::refresh);
    connect(m_data, &SortGridData::currentChanged, viewport(), qOverload<>(&QWidget::update));
    updateScrollBars();
}

void TSortGrid::setOptions(TGridOptions options) {
    m_options = options;
    if (!(options & goEditing)) {
        hideEditor(true);
    }
    viewport()->update();
}

void TSortGrid::setDefaultRowHeight(int height) {
    m_rowHeight = std::max(height, 1);
    refresh();
}

void TSortGrid::setAlignmentHorz(TAlignment alignment) {
    m_alignmentHorz = alignment;
    viewport()->update();
}

void TSortGrid::setAlignmentVert(TVerticalAlignment alignment) {
    m_alignmentVert = alignment;
    viewport()->update();
}

void TSortGrid::setBevelStyle(TBevelStyle style) {
    m_bevelStyle = style;
    viewport()->update();
}

QMenu* TSortGrid::PopupMenu() const {
    return m_popupMenu;
}

void TSortGrid::setPopupMenu(QMenu* menu) {
    m_popupMenu = menu;
}

QSize TSortGrid::sizeHint() const {
    return QSize(400, 8 * rowPitch());
}

// --- geometry -------------------------------------------------------------

int TSortGrid::colLeft(int col) const {
    int x = 0;
    for (int c = 0; c < col; ++c) {
        const int width = m_data->ColWidth(c);
        if (width >= 0) {
            x += width + 1;
        }
    }
    return x;
}

int TSortGrid::contentWidth() const {
    return colLeft(m_data->ColCount());
}

int TSortGrid::visibleDataRows() const {
    return std::max(1, (viewport()->height() - rowPitch()) / rowPitch());
}

QRect TSortGrid::cellRect(int col, int row) const {
    const int width = m_data->ColWidth(col);
    if (width < 0 || row < 0 || row >= m_data->RowCount() || (row > 0 && row < m_topRow)) {
        return QRect();
    }
    const int x = colLeft(col) - horizontalScrollBar()->value();
    const int y = row == 0 ? 0 : rowPitch() * (1 + row - m_topRow);
    return QRect(x, y, width, m_rowHeight);
}

bool TSortGrid::mouseToCell(const QPoint& pos, int* col, int* row) const {
    if (pos.x() < 0 || pos.y() < 0) {
        return false;
    }
    const int r = pos.y() < rowPitch() ? 0 : m_topRow + (pos.y() - rowPitch()) / rowPitch();
    if (r >= m_data->RowCount()) {
        return false;
    }
    const int x = pos.x() + horizontalScrollBar()->value();
    int left = 0;
    for (int c = 0; c < m_data->ColCount(); ++c) {
        const int width = m_data->ColWidth(c);
        if (width < 0) {
            continue;
        }
        if (x < left + width + 1) {
            *col = c;
            *row = r;
            return true;
        }
        left += width + 1;
    }
    return false;
}

void TSortGrid::setTopRow(int row) {
    verticalScrollBar()->setValue(row - 1); // scrollContentsBy follows
    m_topRow = 1 + verticalScrollBar()->value();
}

void TSortGrid::scrollToCell(int col, int row) {
    if (row >= 1) {
        if (row < m_topRow) {
            setTopRow(row);
        } else if (row >= m_topRow + visibleDataRows()) {
            setTopRow(row - visibleDataRows() + 1);
        }
    }
    const int width = m_data->ColWidth(col);
    if (width >= 0) {
        QScrollBar* bar = horizontalScrollBar();
        const int left = colLeft(col);
        if (left < bar->value()) {
            bar->setValue(left);
        } else if (left + width > bar->value() + viewport()->width()) {
            bar->setValue(std::min(left, left + width - viewport()->width()));
        }
    }
}

void TSortGrid::updateScrollBars() {
    const int dataRows = m_data->RowCount() - 1;
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(visibleDataRows());
    v->setRange(0, std::max(0, dataRows - visibleDataRows()));
    m_topRow = 1 + v->value();
    QScrollBar* h = horizontalScrollBar();
    h->setPageStep(std::max(1, viewport()->width()));
    h->setRange(0, std::max(0, contentWidth() - viewport()->width()));
}

void TSortGrid::refresh() {
    updateScrollBars();
    placeEditor();
    viewport()->update();
}

void TSortGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TSortGrid::scrollContentsBy(int, int) {
    m_topRow = 1 + verticalScrollBar()->value();
    placeEditor();
    viewport()->update();
}

// --- drawing --------------------------------------------------------------

TGridDrawState TSortGrid::drawState(int col, int row) const {
    if (row == 0) {
        return gdFixed;
    }
    TGridDrawState state;
    const TGridRect sel = m_data->Selection();
    if (col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom) {
        state |= gdSelected;
    }
    if (hasFocus() && col == m_data->Col() && row == m_data->Row()) {
        state |= gdFocused;
    }
    return state;
}

TFormatOptions TSortGrid::defaultFormat(int row, TGridDrawState state) const {
    const QPalette& pal = palette();
    TFormatOptions format;
    format.Font = font();
    format.AlignmentHorz = m_alignmentHorz;
    format.AlignmentVert = m_alignmentVert;
    format.BevelStyle = m_bevelStyle;
    const bool highlighted =
        (state & gdSelected) && (!(state & gdFocused) || (m_options & (goDrawFocusSelected | goRowSelect)));
    if (row == 0) {
        format.Brush = pal.button();
        format.FontColor = pal.buttonText().color();
    } else if (highlighted) {
        format.Brush = pal.highlight();
        format.FontColor = pal.highlightedText().color();
    } else {
        format.Brush = pal.base();
        format.FontColor = pal.text().color();
    }
    switch (m_bevelStyle) {
    case cbRaised:
        format.BevelLight = pal.light().color();
        format.BevelDark = pal.dark().color();
        break;
    case cbLowered:
        format.BevelLight = pal.dark().color();
        format.BevelDark = pal.light().color();
        break;
    case cbNone:
        format.BevelLight = format.BevelDark = pal.base().color();
        break;
    }
    return format;
}

void TSortGrid::paintCell(QPainter& painter, int col, int row, const QRect& rect) {
    const TGridDrawState state = drawState(col, row);
    TFormatOptions format = defaultFormat(row, state);
    if (OnGetCellFormat) {
        bool checkBox = false;
        bool comboBox = false;
        bool ellipsis = false;
        OnGetCellFormat(col, row, state, format, checkBox, comboBox, ellipsis);
    }

    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect, format.Brush);
    auto edges = [&](const QColor& light, const QColor& dark) {
        painter.setPen(light);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(dark);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
    };
    if (row == 0) {
        edges(palette().light().color(), palette().mid().color());
    } else if (format.BevelStyle != cbNone) {
        edges(format.BevelLight, format.BevelDark);
    }

    QString text = m_data->cell(col, row);
    QRect textRect = rect;
    const QFontMetrics metrics(format.Font);
    if (row == 0) {
        const TSortOptions& options = m_data->SortOptions();
        const bool sorted = options.CanSort && options.SortCol == col;
        text = shortenHeaderText(text, rect.width() - (sorted ? 12 : 1),
                                 [&metrics](const QString& t) { return metrics.horizontalAdvance(t); });
        if (sorted) {
            const QImage arrow = sortArrowPicture(options.SortDirection);
            painter.drawImage(rect.left() + 3, rect.top() + (rect.height() - arrow.height()) / 2, arrow);
            textRect.setLeft(textRect.left() + 10);
        }
    }
    if (!text.isEmpty()) {
        int flags = Qt::TextSingleLine;
        switch (format.AlignmentHorz) {
        case taLeftJustify:
            textRect.adjust(2, 0, 0, 0);
            flags |= Qt::AlignLeft;
            break;
        case taRightJustify:
            textRect.adjust(0, 0, -2, 0);
            flags |= Qt::AlignRight;
            break;
        case taCenter:
            flags |= Qt::AlignHCenter;
            break;
        }
        switch (format.AlignmentVert) {
        case taTopJustify:
            textRect.adjust(0, 2, 0, 0);
            flags |= Qt::AlignTop;
            break;
        case taBottomJustify:
            textRect.adjust(0, 0, 0, -3);
            flags |= Qt::AlignBottom;
            break;
        case taMiddle:
            flags |= Qt::AlignVCenter;
            break;
        }
        painter.setFont(format.Font);
        painter.setPen(format.FontColor);
        painter.drawText(textRect, flags, text);
    }
    if ((state & gdFocused) && !(m_options & goRowSelect)) {
        QPen dotted(format.FontColor, 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void TSortGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    const int viewWidth = viewport()->width();
    const int viewHeight = viewport()->height();
    const int lastRow = std::min(m_data->RowCount() - 1, m_topRow + viewHeight / rowPitch());

    auto paintRow = [&](int row) {
        const bool fixed = row == 0;
        for (int col = 0; col < m_data->ColCount(); ++col) {
            const QRect rect = cellRect(col, row);
            if (rect.isNull() || rect.right() + 1 < 0) {
                continue;
            }
            if (rect.left() >= viewWidth) {
                break;
            }
            paintCell(painter, col, row, rect);
            const int lineX = rect.left() + rect.width();
            const int lineY = rect.top() + rect.height();
            if (m_options & (fixed ? goFixedVertLine : goVertLine)) {
                painter.setPen(fixed ? fixedLineColor : dataLineColor);
                painter.drawLine(lineX, rect.top(), lineX, lineY);
            }
            if (m_options & (fixed ? goFixedHorzLine : goHorzLine)) {
                painter.setPen(fixed ? fixedLineColor : dataLineColor);
                painter.drawLine(rect.left(), lineY, lineX, lineY);
            }
        }
    };
    for (int row = m_topRow; row <= lastRow; ++row) {
        paintRow(row);
    }
    paintRow(0);
}

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
        findByFirstChar(c);
        // Then the key is typed as usual: it starts the editor with it.
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
        m_data->setCell(col, row, m_editor->text());
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
