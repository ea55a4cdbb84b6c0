// The protocol cells' colours and alignment by column and row, the typed columns, and the
// empty and exported cell texts.

#include "protocol/protocol_cell_rules.h"

#include "protocol/protocol_table.h"

#include <algorithm>

namespace {

std::optional<quint32> columnColour(int col) {
    switch (col) {
    case colNr:
        return 0xDFD6D8; // (216, 214, 223)
    case colZwZeit:
        return 0xC0FFFF; // (255, 255, 192)
    case colSchnitt:
    case colVmax:
    case colEndZeit:
        return 0xA2D4FC; // (252, 212, 162)
    case colZeit:
        return 0xE0FFE0; // (224, 255, 224)
    case colPlatz:
        return 0xFFE0E0; // (224, 224, 255)
    default:
        return std::nullopt;
    }
}

} // namespace

ProtocolCellLook protocolCellLook(int col, int row, int currentRow) {
    ProtocolCellLook look;
    look.leftJustify = row == 0 || isTypedProtocolColumn(col);
    if (row != 0 && row != currentRow)
        look.background = columnColour(col);
    return look;
}

bool isTypedProtocolColumn(int col) {
    return col >= colName && col <= colGruppe;
}

QString protocolPositionText(int row, int rowCount) {
    return QString::number(row) + QLatin1Char(':') + QString::number(rowCount - 1);
}

bool isBlankCell(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0x20; });
}

QString exportCellText(int col, const QString& text) {
    if (col < colZwZeit || col > colPlatz)
        return text;
    QString dotted = text;
    const qsizetype comma = dotted.indexOf(u',');
    if (comma >= 0)
        dotted[comma] = u'.';
    return dotted;
}
