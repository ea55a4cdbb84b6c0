// Cell appearance types of TSortGrid. Plain values, GUI thread.

#pragma once

#include <QBrush>
#include <QColor>
#include <QFlags>
#include <QFont>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TVerticalAlignment { taTopJustify, taBottomJustify, taMiddle };

enum TBevelStyle { cbNone, cbRaised, cbLowered };

enum TGridDrawStateFlag { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

enum TGridOption {
    goFixedVertLine = 0x1,
    goFixedHorzLine = 0x2,
    goVertLine = 0x4,
    goHorzLine = 0x8,
    goDrawFocusSelected = 0x10,
    goColSizing = 0x20,
    goRowSelect = 0x40,
    goEditing = 0x80,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

// How one cell is drawn; handed to OnGetCellFormat filled with the grid's
// defaults. Qt fonts carry no colour, so the text colour has its own field.
struct TFormatOptions {
    QBrush Brush;
    QFont Font;
    QColor FontColor;
    TAlignment AlignmentHorz = taLeftJustify;
    TVerticalAlignment AlignmentVert = taTopJustify;
    TBevelStyle BevelStyle = cbNone;
    QColor BevelLight;
    QColor BevelDark;
};
