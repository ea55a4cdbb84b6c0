#include "protocol_loader_fuzz_input.h"

#include "controls/sort_grid_compare.h"
#include "controls/sort_grid_data.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "protocol/protocol_text_format.h"
#include "protocol/result_compare.h"
#include "protocol/text_file_codec.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& input, std::uint64_t variant) {
    std::fprintf(stderr, "protocol loader check failed: %s\nvariant %llu, input (%lld bytes, hex): %s\n", what,
                 static_cast<unsigned long long>(variant), static_cast<long long>(input.size()),
                 input.toHex().constData());
    std::abort();
}

QList<QStringList> dataRows(const SortGridData& grid) {
    QList<QStringList> rows;
    for (int row = 1; row < grid.RowCount(); ++row)
        rows.append(grid.rowCells(row));
    return rows;
}

// Rows as the next save and load give them back: rows without "Nr." dropped,
// empty cells as a single blank.
QList<QStringList> savedForm(const QList<QStringList>& rows) {
    QList<QStringList> saved;
    for (QStringList row : rows) {
        if (row.at(colNr).isEmpty())
            continue;
        for (QString& cell : row) {
            if (cell.isEmpty())
                cell = QStringLiteral(" ");
        }
        saved.append(row);
    }
    return saved;
}

void prepareGrid(SortGridData& grid, std::uint64_t variant) {
    setupProtocolGrid(grid);
    const int rows = int(variant & 3);
    grid.setRowCount(rows + 1);
    for (int row = 1; row <= rows; ++row) {
        grid.setCell(colNr, row, QString::number(row));
        grid.setCell(colZeit, row, QStringLiteral("%1,000").arg(10 - row));
    }
    grid.SortOptions().SortCol = int((variant >> 2) % 12) - 1; // -1 to 10: outside the columns too
    grid.SortOptions().SortDirection = (variant >> 6) & 1 ? sdDescending : sdAscending;
    grid.SortOptions().RankCol = colZwZeit + int((variant >> 16) % 5); // one of the result columns
}

QString startNumberText(std::uint64_t variant) {
    static const QStringList texts = {"1", "5", "", " ", "Nr.", "-"};
    return texts.at(int((variant >> 8) % texts.size()));
}

// The columns the protocol's rule compares as results (lengths first).
bool comparedAsResult(int col) {
    return col == colNr || (col >= colZwZeit && col <= colPlatz);
}

void checkLoadedGrid(const SortGridData& grid, const QByteArray& input, std::uint64_t variant) {
    if (grid.RowCount() < 2 || grid.ColCount() != protocolColumnCount)
        fail("table shape", input, variant);
    if (grid.rowCells(0) != protocolHeaderTexts())
        fail("header row changed", input, variant);
    const qsizetype lines = splitTextLines(decodeTextFile(input)).size();
    if (grid.RowCount() - 1 > std::max<qsizetype>(1, lines))
        fail("more rows than lines", input, variant);
    for (int row = 1; row < grid.RowCount(); ++row) {
        const QStringList cells = grid.rowCells(row);
        if (cells.at(colNr).contains(u"Nr."))
            fail("header line loaded as a row", input, variant);
        for (const QString& cell : cells) {
            if (cell.contains(u'\t') || cell.contains(u'\r') || cell.contains(u'\n'))
                fail("separator or line end inside a cell", input, variant);
        }
    }
}

void checkRanking(SortGridData& grid, const QByteArray& input, std::uint64_t variant) {
    const bool platzOn = (variant >> 7) & 1;
    const QString startText = startNumberText(variant);

    auto withoutPlatz = [](QList<QStringList> rows) {
        for (QStringList& row : rows)
            row.removeLast();
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    const QList<QStringList> before = withoutPlatz(dataRows(grid));
    const int selected = rankProtocol(grid, platzOn, startText);
    if (withoutPlatz(dataRows(grid)) != before)
        fail("ranking lost or changed rows", input, variant);
    if (selected != grid.findRow(colNr, startText, false))
        fail("selected row is not the start number's row", input, variant);

    const int sortCol = grid.SortOptions().SortCol;
    const bool descending = grid.SortOptions().SortDirection == sdDescending;
    const int rankCol = grid.SortOptions().RankCol;
    const int rowCount = grid.RowCount();
    int rankedRows = 0;
    for (int row = 1; row < rowCount; ++row)
        rankedRows += isNoResultCell(grid.cell(rankCol, row)) ? 0 : 1;
    for (int row = 1; row < rowCount; ++row) {
        const QString platz = grid.cell(colPlatz, row);
        if (!platzOn) {
            if (!platz.isEmpty())
                fail("Platz not emptied", input, variant);
            continue;
        }
        const QString value = grid.cell(sortCol, row);
        if (!isNoResultCell(grid.cell(rankCol, row))) {
            bool ok = false;
            const int rank = platz.toInt(&ok);
            if (!ok || rank < 1 || rank > rankedRows)
                fail("rank outside 1 to the number of ranked rows", input, variant);
        }
        if (comparedAsResult(sortCol) && sortCol != colPlatz && row > 1) {
            const int order = compareResultCells(lowerCaseAZ(grid.cell(sortCol, row - 1)), lowerCaseAZ(value));
            if (descending ? order < 0 : order > 0)
                fail("rows not in the comparison's order", input, variant);
        }
    }
    const StartNumbers numbers = startNumbersFromRow(grid, 1);
    if (numbers.nextStarter && !numbers.startNumber)
        fail("next starter without a start number", input, variant);
    if (protocolButtonsEnabled(grid) == isBlankCell(grid.cell(colNr, 1)))
        fail("button state", input, variant);
}

} // namespace

void checkProtocolLoader(const QByteArray& input, std::uint64_t variant) {
    SortGridData grid;
    prepareGrid(grid, variant);
    if (!setProtocolRowsFromText(grid, input)) {
        // Refused as no protocol: the table must be as it was.
        SortGridData before;
        prepareGrid(before, variant);
        if (dataRows(grid) != dataRows(before) || grid.rowCells(0) != before.rowCells(0))
            fail("refused input changed the table", input, variant);
        return;
    }
    checkLoadedGrid(grid, input, variant);

    // Saving and loading again gives the same rows and the same bytes.
    const QByteArray saved = protocolTextBytes(grid);
    SortGridData again;
    prepareGrid(again, variant);
    setProtocolRowsFromText(again, saved);
    QList<QStringList> expected = savedForm(dataRows(grid));
    if (expected.isEmpty())
        expected.append(QStringList(protocolColumnCount));
    if (dataRows(again) != expected)
        fail("save and load changed the rows", input, variant);
    if (protocolTextBytes(again) != saved)
        fail("second save differs from the first", input, variant);

    checkRanking(grid, input, variant);
}

void checkProtocolLoaderThroughFiles(const QByteArray& input, std::uint64_t variant, const QString& folder) {
    const QString inName = folder + QStringLiteral("/in.txt");
    const QString outName = folder + QStringLiteral("/out.txt");
    {
        QFile in(inName);
        if (!in.open(QIODevice::WriteOnly) || in.write(input) != input.size())
            fail("cannot write the input file", input, variant);
    }
    SortGridData grid;
    prepareGrid(grid, variant);
    const ProtocolLoadResult result = loadProtocolText(grid, inName, (variant >> 7) & 1, startNumberText(variant));
    if (result.refused)
        return;
    if (!result.loaded)
        fail("readable file not loaded", input, variant);
    QString reason;
    if (!saveProtocolText(grid, outName, &reason))
        fail("save failed", input, variant);
    QFile out(outName);
    if (!out.open(QIODevice::ReadOnly) || out.readAll() != protocolTextBytes(grid))
        fail("saved file differs from the table", input, variant);
}

namespace {

QByteArray pick(std::mt19937_64& random, std::initializer_list<const char*> pieces) {
    const auto index = std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random);
    return QByteArray(*(pieces.begin() + index));
}

int below(std::mt19937_64& random, int bound) {
    return std::uniform_int_distribution<int>(0, bound - 1)(random);
}

QByteArray randomBytes(std::mt19937_64& random, int maxSize) {
    QByteArray bytes(below(random, maxSize + 1), Qt::Uninitialized);
    for (char& b : bytes)
        b = char(below(random, 256));
    return bytes;
}

QByteArray tokenMixture(std::mt19937_64& random) {
    QByteArray bytes;
    const int count = below(random, 80);
    for (int i = 0; i < count; ++i) {
        if (below(random, 10) == 0) {
            bytes += randomBytes(random, 4);
            continue;
        }
        bytes += pick(random, {"\t",
                               "\t",
                               ";",
                               ";",
                               "\r",
                               "\n",
                               "\r\n",
                               "\r\n",
                               "Nr.",
                               "Nr. 7",
                               " ",
                               "-",
                               "AUS",
                               "aus",
                               "9,876",
                               "10,123",
                               "1.02,000",
                               "7",
                               "12",
                               "Anna",
                               "\xD8",
                               "\xC3\x98",
                               "\xFC",
                               "\xC3\xBC",
                               "\xC5\x81ukasz",
                               "\xEF\xBB\xBF",
                               "\xC3",
                               "\xE2\x82",
                               "\xF0\x9F\x8F\x81",
                               "\xED\xA0\x80",
                               "\x80",
                               "\x81",
                               "\xFF\xFE",
                               "\"",
                               "0",
                               "-1",
                               "99999999999"});
    }
    if (below(random, 8) == 0)
        bytes.insert(below(random, int(bytes.size()) + 1), '\0');
    return bytes;
}

QByteArray protocolFile(std::mt19937_64& random) {
    QString text;
    const QString separator = below(random, 3) == 0 ? QStringLiteral(";") : QStringLiteral("\t");
    const QString lineEnd = pick(random, {"\r\n", "\r\n", "\n", "\r"});
    if (below(random, 4) != 0)
        text += protocolHeaderTexts().join(separator) + separator + lineEnd;
    const int rows = below(random, 30);
    for (int row = 0; row < rows; ++row) {
        const int fields = below(random, 14);
        QStringList cells;
        for (int f = 0; f < fields; ++f) {
            cells.append(
                QString::fromUtf8(pick(random, {"", " ", "-", "AUS", "5,432", "10,123", "1.02,000", "1:00.00,000",
                                                "123,45", "Müller", "Łukasz", "Nr. 7", "Ø", "€", "3", "17"})));
        }
        text += cells.join(separator) + (below(random, 2) ? separator : QString()) + lineEnd;
    }
    switch (below(random, 3)) {
    case 0:
        return encodeTextFile(text);
    case 1:
        return text.toUtf8();
    default:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    }
}

QByteArray damaged(std::mt19937_64& random, QByteArray bytes) {
    const int changes = 1 + below(random, 8);
    for (int i = 0; i < changes; ++i) {
        const int at = below(random, int(bytes.size()) + 1);
        switch (below(random, 3)) {
        case 0:
            if (at < bytes.size())
                bytes[at] = char(below(random, 256));
            break;
        case 1:
            bytes.insert(at, char(below(random, 256)));
            break;
        default:
            bytes.remove(at, below(random, 4));
            break;
        }
    }
    return bytes;
}

} // namespace

QByteArray randomProtocolInput(std::mt19937_64& random) {
    switch (below(random, 4)) {
    case 0:
        return randomBytes(random, below(random, 20) == 0 ? 4096 : 256);
    case 1:
        return tokenMixture(random);
    case 2:
        return protocolFile(random);
    default:
        return damaged(random, protocolFile(random));
    }
}
