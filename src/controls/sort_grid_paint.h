// Drawing rules of TSortGrid's header that need no widget. Pure functions,
// GUI thread (QImage).

#pragma once

#include "controls/sort_grid_types.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

using TextWidth = std::function<int(const QString&)>;

// Fits a header text into available pixels: the last two characters become
// "..", then characters before the ".." go until it fits or three remain.
// Texts shorter than three characters are left alone.
QString shortenHeaderText(const QString& text, int available, const TextWidth& width);

// The "UP" (ascending) and "DOWN" (descending) arrow pictures, 8 x 7 pixels.
QImage sortArrowPicture(TSortDirection direction);

// Width that fits a column: its widest text plus an "X", the header text
// counted headerExtra pixels wider; an all-empty column gets the width of "xx".
int fitColumnWidth(const QString& header, const QStringList& cells, int headerExtra, const TextWidth& width);
