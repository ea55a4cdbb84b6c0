// Writes the protocol and its extra sheets as an .xlsx workbook through libxlsxwriter, with
// sheet names and cell lengths within Excel's rules, and reads a workbook back into the grid.

#include "protocol/protocol_workbook.h"

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/c_numeric_locale.h"
#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "protocol/xlsx_text_escapes.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <functional>

namespace {

// What one cell of a workbook holds at most, in characters.
constexpr int maxCellChars = 32767;

struct CellTooLong {
    int row;
};

// Excel's rules for sheet names: at most 31 characters, none of []:*?/\ and no
// apostrophe at either end.
QString validSheetName(const QString& name) {
    QString valid = name;
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    valid.replace(forbidden, QStringLiteral("_"));
    valid = valid.left(31);
    while (valid.startsWith(u'\''))
        valid.remove(0, 1);
    while (valid.endsWith(u'\''))
        valid.chop(1);
    return valid.isEmpty() ? QStringLiteral("Tabelle1") : valid;
}

// Width in character units for the longest text of a column; libxlsxwriter cannot fit them.
double columnWidth(int longestText) {
    return std::clamp(longestText + 1, 4, 80);
}

// One text cell, escaped as the file format asks. A text longer than a cell can hold
// is refused with the table row it came from.
lxw_error writeText(lxw_worksheet* worksheet, int row, int sheetCol, const QString& text, lxw_format* format) {
    const QByteArray utf8 = escapeXlsxText(text).toUtf8();
    const lxw_error written =
        worksheet_write_string(worksheet, lxw_row_t(row), lxw_col_t(sheetCol), utf8.constData(), format);
    if (written == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
        throw CellTooLong{row};
    return written;
}

// One workbook built with libxlsxwriter in a private temporary folder and then written
// atomically over the target. fill() adds the sheet's content.
bool writeWorkbook(const QString& fileName, const QString& sheetName, const WorkbookProperties* properties,
                   const std::function<bool(lxw_workbook*, lxw_worksheet*)>& fill, QString* errorText,
                   TargetLinks links = TargetLinks::Follow) {
    const auto fail = [errorText](const QString& reason) {
        if (errorText)
            *errorText = reason;
        return false;
    };
    // libxlsxwriter writes numbers and column widths with printf.
    const CNumericLocale cNumbers;
    QTemporaryDir work;
    if (!work.isValid())
        return fail(work.errorString());
    const QByteArray workFolder = QFile::encodeName(work.path());
    const QByteArray built = QFile::encodeName(work.filePath(QStringLiteral("workbook.xlsx")));
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(workFolder.constData());
    lxw_workbook* workbook = workbook_new_opt(built.constData(), &options);
    if (!workbook)
        return fail(QStringLiteral("libxlsxwriter: no workbook"));

    const QByteArray sheet = validSheetName(sheetName).toUtf8();
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook, sheet.constData());
    bool filled = false;
    QString refusal;
    try {
        filled = worksheet && fill(workbook, worksheet);
    } catch (const CellTooLong& cell) {
        refusal = QStringLiteral("Zeile %1: Der Text einer Zelle ist länger als %2 Zeichen, so viel fasst eine "
                                 "Zelle der Arbeitsmappe nicht.")
                      .arg(cell.row)
                      .arg(maxCellChars);
    }
    if (filled && properties) {
        const QByteArray author = properties->author.toUtf8();
        const QByteArray title = properties->title.toUtf8();
        const QByteArray subject = properties->subject.toUtf8();
        lxw_doc_properties values{};
        values.author = const_cast<char*>(author.constData());
        values.title = const_cast<char*>(title.constData());
        values.subject = const_cast<char*>(subject.constData());
        filled = workbook_set_properties(workbook, &values) == LXW_NO_ERROR;
    }
    // Closing writes the file and frees the workbook, also when nothing was filled.
    const lxw_error closed = workbook_close(workbook);
    if (!refusal.isEmpty())
        return fail(refusal);
    if (!filled)
        return fail(QStringLiteral("libxlsxwriter: the sheet could not be filled"));
    if (closed != LXW_NO_ERROR)
        return fail(QString::fromUtf8(lxw_strerror(closed)));

    QFile file(work.filePath(QStringLiteral("workbook.xlsx")));
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    return writeFileAtomically(fileName, file.readAll(), errorText, links);
}

// Writes one cell of a sheet; an empty text writes nothing unless the writer borders it.
using CellWriter = std::function<lxw_error(lxw_worksheet*, lxw_row_t, lxw_col_t, const QString&, lxw_format*)>;

lxw_error writeTextCell(lxw_worksheet* worksheet, lxw_row_t row, lxw_col_t col, const QString& text,
                        lxw_format* format) {
    if (text.isEmpty())
        return LXW_NO_ERROR;
    return writeText(worksheet, int(row), int(col), text, format);
}

// The sheets after the protocol's, in order, each as wide as its texts.
bool addMoreSheets(lxw_workbook* workbook, const QList<WorkbookSheet>& sheets, const CellWriter& write) {
    lxw_format* bold = sheets.isEmpty() ? nullptr : workbook_add_format(workbook);
    if (bold)
        format_set_bold(bold);
    for (const WorkbookSheet& sheet : sheets) {
        const QByteArray name = validSheetName(sheet.name).toUtf8();
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook, name.constData());
        if (!worksheet)
            return false;
        QList<int> longest;
        for (int row = 0; row < sheet.rows.size(); ++row) {
            const QStringList& texts = sheet.rows[row];
            if (longest.size() < texts.size())
                longest.resize(texts.size());
            for (int col = 0; col < texts.size(); ++col) {
                lxw_format* format = sheet.boldRows.contains(row) ? bold : nullptr;
                if (write(worksheet, lxw_row_t(row), lxw_col_t(col), texts[col], format) != LXW_NO_ERROR)
                    return false;
                // A heading of one cell may run over the columns beside it.
                if (texts.size() > 1)
                    longest[col] = std::max(longest[col], int(texts[col].size()));
            }
        }
        for (int col = 0; col < longest.size(); ++col)
            worksheet_set_column(worksheet, lxw_col_t(col), lxw_col_t(col), columnWidth(longest[col]), nullptr);
    }
    return true;
}

} // namespace

bool saveProtocolWorkbook(const SortGridData& grid, const QString& fileName, const WorkbookProperties& properties,
                          QString* errorText, const QList<WorkbookSheet>& moreSheets) {
    const int rowCount = grid.RowCount();
    const int colCount = grid.ColCount();
    QList<int> columns; // the table columns written, in order, from sheet column 0
    for (int col = 0; col < colCount; ++col)
        if (grid.ColWidth(col) >= 0)
            columns.append(col);

    const auto fill = [&](lxw_workbook* workbook, lxw_worksheet* worksheet) {
        lxw_format* cellFormat = workbook_add_format(workbook);
        format_set_border(cellFormat, LXW_BORDER_THIN);
        lxw_format* headerFormat = workbook_add_format(workbook);
        format_set_bold(headerFormat);
        format_set_border(headerFormat, LXW_BORDER_MEDIUM);
        lxw_format* boldRow = workbook_add_format(workbook);
        format_set_bold(boldRow);

        worksheet_set_landscape(worksheet);
        if (worksheet_set_row(worksheet, 0, LXW_DEF_ROW_HEIGHT, boldRow) != LXW_NO_ERROR)
            return false;
        QList<int> longest(colCount, 0);
        for (int row = 0; row < rowCount; ++row) {
            lxw_format* format = row == 0 ? headerFormat : cellFormat;
            for (int sheetCol = 0; sheetCol < colCount; ++sheetCol) {
                QString text;
                // Row 0 may show a loaded sheet's own headers; the file gets the program's.
                if (sheetCol < columns.size())
                    text =
                        row == 0 ? protocolHeaderTexts().value(columns[sheetCol]) : grid.cell(columns[sheetCol], row);
                lxw_error written;
                if (text.isEmpty()) {
                    // The range stays bordered where it holds nothing.
                    written = worksheet_write_blank(worksheet, lxw_row_t(row), lxw_col_t(sheetCol), format);
                } else {
                    written = writeText(worksheet, row, sheetCol, text, format);
                    longest[sheetCol] = std::max(longest[sheetCol], int(text.size()) + (row == 0 ? 1 : 0));
                }
                if (written != LXW_NO_ERROR)
                    return false;
            }
        }
        for (int sheetCol = 0; sheetCol < colCount; ++sheetCol)
            worksheet_set_column(worksheet, lxw_col_t(sheetCol), lxw_col_t(sheetCol), columnWidth(longest[sheetCol]),
                                 nullptr);
        return addMoreSheets(workbook, moreSheets, writeTextCell);
    };
    return writeWorkbook(fileName, properties.sheetName, &properties, fill, errorText);
}

int plainDecimalPlaces(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^-?(0|[1-9][0-9]*)(?:\\.([0-9]+))?$"));
    const QRegularExpressionMatch match = plain.match(text);
    if (!match.hasMatch())
        return -1;
    // More digits than a double holds would not show the same digits.
    const qsizetype digits = match.capturedLength(1) + match.capturedLength(2);
    if (digits > 15)
        return -1;
    return int(match.capturedLength(2));
}

bool saveSpreadsheetExport(const SortGridData& grid, const QString& fileName, const QString& sheetName,
                           QString* errorText, TargetLinks links, const QList<WorkbookSheet>& moreSheets) {
    const auto fill = [&](lxw_workbook* workbook, lxw_worksheet* worksheet) {
        QHash<int, lxw_format*> numberFormats; // by digits after the point, bold or not
        const auto numberFormat = [&](int places, bool bold) {
            lxw_format*& format = numberFormats[places * 2 + (bold ? 1 : 0)];
            if (!format) {
                format = workbook_add_format(workbook);
                const QByteArray pattern = places == 0 ? QByteArray("0") : QByteArray("0.") + QByteArray(places, '0');
                format_set_num_format(format, pattern.constData());
                if (bold)
                    format_set_bold(format);
            }
            return format;
        };
        // Decimal texts become numbers showing the same digits, so officials can compute with them.
        const CellWriter write = [&](lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const QString& text,
                                     lxw_format* format) {
            const int places = plainDecimalPlaces(text);
            if (places >= 0)
                return worksheet_write_number(sheet, row, col, text.toDouble(), numberFormat(places, format));
            return writeTextCell(sheet, row, col, text, format);
        };
        // The later sheets have no protocol columns: a text that is a decimal number with its comma
        // becomes that number, every other text (a name, a time over a minute) stays as it is.
        const CellWriter writeMore = [&](lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const QString& text,
                                         lxw_format* format) {
            const QString number = exportCellText(colZeit, text);
            return write(sheet, row, col, plainDecimalPlaces(number) >= 0 ? number : text, format);
        };
        QList<int> longest;
        for (int row = 0; row < grid.RowCount(); ++row) {
            int sheetCol = 0;
            for (int col = 0; col < grid.ColCount(); ++col) {
                if (grid.ColWidth(col) <= 0)
                    continue;
                const QString text = exportCellText(col, grid.cell(col, row));
                if (write(worksheet, lxw_row_t(row), lxw_col_t(sheetCol), text, nullptr) != LXW_NO_ERROR)
                    return false;
                if (longest.size() <= sheetCol)
                    longest.resize(sheetCol + 1);
                longest[sheetCol] = std::max(longest[sheetCol], int(text.size()));
                ++sheetCol;
            }
        }
        for (int sheetCol = 0; sheetCol < longest.size(); ++sheetCol)
            worksheet_set_column(worksheet, lxw_col_t(sheetCol), lxw_col_t(sheetCol), columnWidth(longest[sheetCol]),
                                 nullptr);
        return addMoreSheets(workbook, moreSheets, writeMore);
    };
    return writeWorkbook(fileName, sheetName, nullptr, fill, errorText, links);
}

bool setProtocolRowsFromWorkbook(SortGridData& grid, const QList<QStringList>& rows) {
    if (rows.size() < 2 || !rowsFitBackup(rows.mid(1), grid.ColCount()))
        return false;
    grid.beginUpdate();
    const int count = int(rows.size());
    grid.setRowCount(count);
    for (int row = 0; row < count; ++row) {
        for (int col = 0; col < grid.ColCount(); ++col) {
            // The header keeps the program's texts of the result columns, and its own
            // where the sheet's header cell is empty.
            if (row == 0 && (col >= colZwZeit || rows[0].value(col).isEmpty()))
                continue;
            grid.setCell(col, row, rows[row].value(col));
        }
    }
    grid.endUpdate();
    return true;
}
