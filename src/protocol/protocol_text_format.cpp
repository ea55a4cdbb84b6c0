// Splits a protocol text into lines and fields and joins them back, without copying
// the text line by line.

#include "protocol/protocol_text_format.h"

#include <algorithm>
#include <utility>

namespace {

// Calls line(view) for every line of text, without copying the text.
template <typename Line> void forEachTextLine(QStringView text, Line&& line) {
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        line(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        line(text.sliced(start));
}

} // namespace

QStringList splitTextLines(QStringView text) {
    QStringList lines;
    forEachTextLine(text, [&lines](QStringView line) { lines.append(line.toString()); });
    return lines;
}

QStringList splitProtocolFields(QStringView line) {
    QStringList fields;
    if (line.isEmpty())
        return fields;
    const QChar separator = line.contains(u'\t') ? QChar(u'\t') : QChar(u';');
    qsizetype start = 0;
    const qsizetype size = line.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (line[i] != separator)
            continue;
        // The first separator of a run ends the field; the rest of the run is dropped.
        if (i == 0 || line[i - 1] != separator)
            fields.append(line.sliced(start, i - start).toString());
        start = i + 1;
    }
    if (start < size)
        fields.append(line.sliced(start).toString());
    return fields;
}

bool isProtocolHeaderLine(const QStringList& fields) {
    return !fields.isEmpty() && fields.first().contains(u"Nr.");
}

QStringList protocolRowCells(QStringList fields, int maxCells) {
    QStringList cells = std::move(fields);
    if (cells.size() > maxCells)
        cells.resize(qMax(0, maxCells));
    for (QString& cell : cells) {
        if (cell.isEmpty())
            cell = QStringLiteral(" ");
    }
    return cells;
}

std::optional<QList<QStringList>> parseProtocolText(QStringView text, int maxCells, qsizetype maxRows) {
    QList<QStringList> rows;
    bool tooMany = false;
    // Line by line, so that only the rows are held besides the text.
    forEachTextLine(text, [&](QStringView line) {
        if (tooMany)
            return;
        QStringList fields = splitProtocolFields(line);
        // An empty line is no row (it would sort to the top as a row without a number).
        const bool blank =
            std::all_of(fields.cbegin(), fields.cend(), [](const QString& field) { return field.trimmed().isEmpty(); });
        if (blank || isProtocolHeaderLine(fields))
            return;
        if (rows.size() >= maxRows) {
            tooMany = true;
            return;
        }
        rows.append(protocolRowCells(std::move(fields), maxCells));
    });
    if (tooMany)
        return std::nullopt;
    return rows;
}

QString protocolTextLine(const QStringList& cells) {
    QString line;
    for (const QString& cell : cells) {
        if (cell.isEmpty()) {
            line += u' ';
        } else {
            QString text = cell;
            text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
            line += text;
        }
        line += u'\t';
    }
    line += u"\r\n";
    return line;
}
