// The protocol's grid widget: draws a SortGridData with its header row, sorts on header
// clicks, sizes columns and edits cells in place.

#pragma once

#include "controls/sort_grid_data.h"
#include "controls/sort_grid_format.h"
#include "controls/sort_grid_types.h"

#include <QAbstractScrollArea>
#include <QPointer>

#include <functional>

class QLineEdit;
class QMenu;

// The protocol's string grid: draws the cells of a SortGridData with the fixed
// header row 0 on top, lets the owner format every cell, sorts on header clicks,
// resizes and fits columns from the header, moves through the owner's cell
// selection (mouse, keys, type-to-find) and edits cells in place. GUI thread only.
class TSortGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Pixels around a header border that resize instead of sort.
    static constexpr int borderZone = 5;

    explicit TSortGrid(QWidget* parent = nullptr);
    // Shows data owned by the caller, which must outlive the grid.
    explicit TSortGrid(SortGridData* data, QWidget* parent = nullptr);
    ~TSortGrid() override;

    SortGridData& gridData() { return *m_data; }
    const SortGridData& gridData() const { return *m_data; }

    int FixedRows() const { return 1; }
    TGridOptions Options() const { return m_options; }
    void setOptions(TGridOptions options);
    int DefaultRowHeight() const { return m_rowHeight; }
    void setDefaultRowHeight(int height);
    TAlignment AlignmentHorz() const { return m_alignmentHorz; }
    void setAlignmentHorz(TAlignment alignment);
    TVerticalAlignment AlignmentVert() const { return m_alignmentVert; }
    void setAlignmentVert(TVerticalAlignment alignment);
    TBevelStyle BevelStyle() const { return m_bevelStyle; }
    void setBevelStyle(TBevelStyle style);
    // Shown on a right click in the data rows; not owned.
    QMenu* PopupMenu() const;
    void setPopupMenu(QMenu* menu);
    TPrintOptions& PrintOptions() { return m_printOptions; }
    const TPrintOptions& PrintOptions() const { return m_printOptions; }

    // First data row shown below the header.
    int TopRow() const { return m_topRow; }
    void setTopRow(int row);
    void scrollToCell(int col, int row);

    // Cell geometry in viewport coordinates; an empty rectangle for a hidden
    // column or a data row scrolled out of view.
    QRect cellRect(int col, int row) const;
    // The cell under a viewport point; false outside every cell.
    bool mouseToCell(const QPoint& pos, int* col, int* row) const;

    // Moves the current cell the way a user would: the owner's OnSelectCell may
    // refuse. Returns whether the move took place.
    bool selectCell(int col, int row);

    bool isEditing() const;
    // Opens the editor on the current cell (only with goEditing).
    void showEditor();
    // Closes the editor; with store the typed text goes into its cell.
    void hideEditor(bool store = true);

    // Handlers; an empty one is skipped. CheckBox, Combobox and Ellipsis start
    // false and are not used by this grid.
    std::function<void(int Col, int Row, TGridDrawState State, TFormatOptions& FormatOptions, bool& CheckBox,
                       bool& Combobox, bool& Ellipsis)>
        OnGetCellFormat;
    std::function<void(int ACol, int ARow, bool& CanSelect)> OnSelectCell;
    // The user changed the selected rows with the mouse.
    std::function<void()> OnRowSelected;
    std::function<void()> OnDblClick;
    // After a header click has sorted the view by Col.
    std::function<void(int Col)> OnHeaderClick;
    // The user stored a changed text into a cell with the editor.
    std::function<void(int Col, int Row, const QString& before, const QString& after)> OnCellEdited;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void init();
    int rowPitch() const { return m_rowHeight + 1; }
    int colLeft(int col) const; // content x of a visible column
    int contentWidth() const;
    int visibleDataRows() const;
    void updateScrollBars();
    void refresh();
    void paintCell(QPainter& painter, int col, int row, const QRect& rect);
    TFormatOptions defaultFormat(int row, TGridDrawState state) const;
    TGridDrawState drawState(int col, int row) const;
    // Header hit tests in viewport coordinates.
    bool inBorderZone(int col, int x) const;
    int sizingColumnAt(const QPoint& pos) const;
    void headerClicked(int col, Qt::MouseButton button);
    void fitColumn(int col);
    bool findByFirstChar(QChar c);
    void moveBy(int dCol, int dRow);
    void placeEditor();

    SortGridData* m_data;
    bool m_ownsData;
    TGridOptions m_options = TGridOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine);
    int m_rowHeight = 24;
    TAlignment m_alignmentHorz = taLeftJustify;
    TVerticalAlignment m_alignmentVert = taTopJustify;
    TBevelStyle m_bevelStyle = cbNone;
    QPointer<QMenu> m_popupMenu;
    TPrintOptions m_printOptions;
    int m_topRow = 1;

    // Mouse state of the header.
    int m_pressedCol = -1;
    Qt::MouseButton m_pressedButton = Qt::NoButton;
    bool m_pressedInZone = false;
    int m_sizingCol = -1;
    int m_sizingStartX = 0;
    int m_sizingStartWidth = 0;

    QLineEdit* m_editor = nullptr;
    int m_editCol = -1;
    int m_editRow = -1;
};
