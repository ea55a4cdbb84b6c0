// Orders result cells: values by length, then by their single-byte codes; after them "-",
// "AUS" and blank cells.

#include "protocol/result_compare.h"

#include "controls/sort_grid_compare.h"
#include "protocol/protocol_cell_rules.h"

#include <algorithm>

namespace {

// Values come first, ordered by length; the markers follow in this order.
enum class CellClass { Value, Dash, Aus, Blank };

CellClass cellClass(QStringView text) {
    if (isBlankCell(text))
        return CellClass::Blank;
    if (text.compare(u"AUS", Qt::CaseInsensitive) == 0)
        return CellClass::Aus;
    if (text == u"-")
        return CellClass::Dash;
    return CellClass::Value;
}

} // namespace

bool isNoResultCell(QStringView text) {
    return cellClass(text) != CellClass::Value;
}

int compareResultCells(const QString& a, const QString& b) {
    const CellClass classA = cellClass(a);
    const CellClass classB = cellClass(b);
    if (classA != classB)
        return classA < classB ? -1 : 1;
    // A value longer than any marker must still sort as a value, so length only
    // decides within the value class.
    if (classA == CellClass::Value && a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    // By the texts' single-byte codes, as the grid's plain text comparison does.
    return ordinalCompare(ordinalKey(a, false), ordinalKey(b, false));
}
