// The protocol text file's line and field rules, without any table. Pure functions,
// any thread.
//
// Written lines: every cell followed by a TAB, an empty cell as a single blank, CR LF
// at the end. Read lines: TAB-separated when the line holds a TAB, else separated by
// ";"; a run of separators counts as one.

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The text split at CR LF, LF or a lone CR. A terminator at the very end adds no
// empty line; an empty text gives no lines.
QStringList splitTextLines(QStringView text);

// The fields of one read line. Every separator ends a field and the separators
// directly after it are dropped; a separator at the start ends an empty first field,
// one at the end adds nothing. An empty line has no fields.
QStringList splitProtocolFields(QStringView line);

// Whether fields are those of a header line: the first field contains "Nr.".
bool isProtocolHeaderLine(const QStringList& fields);

// The cells a read line's fields put into one table row: at most maxCells fields, an
// empty field as a single blank.
QStringList protocolRowCells(QStringList fields, int maxCells);

// The rows a read text puts into the table, in file order, header lines dropped;
// nothing when there would be more than maxRows.
std::optional<QList<QStringList>> parseProtocolText(QStringView text, int maxCells, qsizetype maxRows);

// One written line for the given cells, CR LF included. TAB, CR and LF inside a cell
// become blanks so that the cell reads back as one field.
QString protocolTextLine(const QStringList& cells);
