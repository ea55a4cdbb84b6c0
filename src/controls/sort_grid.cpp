// Construction, geometry and drawing of TSortGrid; mouse, keys and the cell
// editor are in sort_grid_input.cpp.

#include "controls/sort_grid.h"

#include "controls/sort_grid_paint.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
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
