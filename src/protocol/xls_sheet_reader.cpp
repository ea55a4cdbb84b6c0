// The .xls half of the workbook reader: the first sheet of a legacy binary workbook,
// read through freexl in a child process.

#include "protocol/workbook_reader.h"
#include "protocol/workbook_sheet_rows.h"

#include <QFile>
#include <QFileInfo>

#include <freexl.h>

#include <cmath>

using namespace workbook_reading;

namespace {

// freexl's handle, closed on every path.
class XlsHandle {
public:
    ~XlsHandle() {
        if (m_handle)
            freexl_close(m_handle);
    }
    const void** out() { return &m_handle; }
    const void* get() const { return m_handle; }

private:
    const void* m_handle = nullptr;
};

// freexl keeps the cells of every sheet in memory; a file that claims sheets of
// millions of cells is refused before they are read.
void checkXlsDimensions(const QString& fileName) {
    XlsHandle info;
    if (freexl_open_info(QFile::encodeName(fileName).constData(), info.out()) != FREEXL_OK)
        throw Refusal{damaged};
    unsigned int sheets = 0;
    if (freexl_get_info(info.get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        throw Refusal{damaged};
    qint64 cells = 0;
    for (unsigned int sheet = 0; sheet < sheets; ++sheet) {
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(info.get(), static_cast<unsigned short>(sheet)) != FREEXL_OK ||
            freexl_worksheet_dimensions(info.get(), &rows, &columns) != FREEXL_OK)
            throw Refusal{damaged};
        cells += qint64(rows) * columns;
    }
    if (cells > 4 * 1024 * 1024)
        throw Refusal{tooBig};
}

QList<QStringList> xlsRows(const QString& fileName, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    const QFileInfo info(fileName);
    if (!info.isFile() || !info.isReadable())
        throw Refusal{unreadable};
    if (info.size() > limits.fileBytes)
        throw Refusal{tooBig};
    checkXlsDimensions(fileName);
    XlsHandle xls;
    if (freexl_open(QFile::encodeName(fileName).constData(), xls.out()) != FREEXL_OK ||
        freexl_select_active_worksheet(xls.get(), 0) != FREEXL_OK)
        throw Refusal{damaged};
    unsigned int sheetRows = 0;
    unsigned short sheetColumns = 0;
    if (freexl_worksheet_dimensions(xls.get(), &sheetRows, &sheetColumns) != FREEXL_OK)
        throw Refusal{damaged};

    SheetRows rows(columns, limits);
    for (unsigned int row = 0; row < sheetRows; ++row) {
        QStringList cells(columns);
        for (int column = 0; column < columns && column < sheetColumns; ++column) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(xls.get(), row, static_cast<unsigned short>(column), &value) != FREEXL_OK)
                throw Refusal{damaged};
            QString text;
            switch (value.type) {
            case FREEXL_CELL_INT:
                text = QString::number(value.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                if (!std::isfinite(value.value.double_value))
                    throw Refusal{damaged};
                text = workbookNumberText(value.value.double_value, locale);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                text = value.value.text_value ? QString::fromUtf8(value.value.text_value) : QString();
                break;
            default:
                break;
            }
            checkCellLength(text, limits);
            cells[column] = text;
        }
        rows.add(int(row) + 1, std::move(cells));
    }
    return rows.take();
}

} // namespace

WorkbookRows readXlsRows(const QString& fileName, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    // freexl can corrupt its own memory on a damaged file, so it reads in a child
    // process: such a file is refused instead of taking the program and its runs down.
    return readInChildProcess([&] { return guardedRead([&] { return xlsRows(fileName, columns, locale, limits); }); },
                              std::chrono::seconds(20), limits.fileBytes * 8, damaged);
}
