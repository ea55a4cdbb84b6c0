// Seeded random-input run of the workbook readers:
//   workbook_reader_fuzz [--inputs N] [--seed S] [--xls 0|1]
// Inputs are damaged copies of real workbooks: a protocol saved by the program and the
// LibreOffice Calc files of the tests, their zip bytes flipped, cut and spliced, or their
// sheet and shared-string XML damaged and zipped again. Every input goes through the
// .xlsx or .xls reader and the table, with the checks below. Build with TARVOLT_FUZZ=ON
// to run it under AddressSanitizer and UBSan.

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_workbook.h"
#include "protocol/workbook_reader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

QByteArray readFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

[[noreturn]] void fail(const char* what, const QByteArray& input) {
    std::fprintf(stderr, "workbook reader check failed: %s\ninput (%lld bytes, base64): %s\n", what,
                 static_cast<long long>(input.size()), input.toBase64().constData());
    std::abort();
}

// The parts of a zip, to damage one and pack them again.
struct Parts {
    QList<QString> names;
    QList<QByteArray> data;
};

Parts unzip(const QByteArray& bytes) {
    Parts parts;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    for (zip_int64_t i = 0; zip && i < zip_get_num_entries(zip, 0); ++i) {
        zip_file_t* file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        QByteArray data;
        char chunk[4096];
        zip_int64_t got;
        while (file && (got = zip_fread(file, chunk, sizeof chunk)) > 0)
            data.append(chunk, qsizetype(got));
        if (file)
            zip_fclose(file);
        parts.names << QString::fromUtf8(zip_get_name(zip, zip_uint64_t(i), 0));
        parts.data << data;
    }
    if (zip)
        zip_discard(zip);
    zip_error_fini(&error);
    return parts;
}

QByteArray zipParts(const Parts& parts, const QString& scratch) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(scratch).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return {};
    for (qsizetype i = 0; i < parts.names.size(); ++i) {
        zip_source_t* source = zip_source_buffer(zip, parts.data[i].constData(), zip_uint64_t(parts.data[i].size()), 0);
        if (zip_file_add(zip, parts.names[i].toUtf8().constData(), source, ZIP_FL_OVERWRITE) < 0)
            zip_source_free(source);
    }
    zip_close(zip);
    return readFile(scratch);
}

const QList<QByteArray> xmlPieces{
    "<row>",        "</row>",       "<c r=\"A1\">", "<c t=\"s\">",     "<c t=\"inlineStr\"><is><t>",
    "</t></is>",    "<v>",          "</v>",         "<v>99999999</v>", "<v>-1</v>",
    "<v>1e999</v>", "r=\"ZZZZ0\"",  "<si><t>",      "</t></si>",       "<rPh>",
    "&amp;",        "&#0;",         "<!DOCTYPE x>", "<sheetData>",     "</sheetData>",
    "\xff\xfe",     "<row r=\"0\">"};

QByteArray damage(QByteArray bytes, std::mt19937_64& random) {
    const int edits = 1 + int(random() % 8);
    for (int e = 0; e < edits; ++e) {
        const qsizetype at = bytes.isEmpty() ? 0 : qsizetype(random() % quint64(bytes.size()));
        switch (random() % 5) {
        case 0:
            if (!bytes.isEmpty())
                bytes[at] = char(random());
            break;
        case 1:
            bytes.truncate(at);
            break;
        case 2:
            bytes.insert(at, xmlPieces.at(qsizetype(random() % quint64(xmlPieces.size()))));
            break;
        case 3:
            bytes.remove(at, qsizetype(random() % 64));
            break;
        default:
            bytes.insert(at, bytes.mid(qsizetype(random() % quint64(bytes.size() + 1)), qsizetype(random() % 256)));
            break;
        }
    }
    return bytes;
}

void check(const WorkbookRows& read, const QByteArray& input, const WorkbookLimits& limits) {
    if (!read.ok() && !read.rows.isEmpty())
        fail("rows returned with an error", input);
    for (qsizetype i = 0; i < read.rows.size(); ++i) {
        const QStringList& row = read.rows[i];
        if (row.size() != protocolColumnCount)
            fail("row without ten cells", input);
        if (i > 0 && row.first().isEmpty())
            fail("data row with an empty first cell", input);
        for (const QString& cell : row)
            if (cell.size() > limits.cellChars)
                fail("cell over the limit", input);
    }
    if (read.rows.size() > limits.rows + 1)
        fail("rows over the limit", input);
    if (read.ok() && read.rows.size() < 2)
        fail("a sheet without data rows accepted", input);
    SortGridData grid;
    setupProtocolGrid(grid);
    const bool applied = setProtocolRowsFromWorkbook(grid, read.rows);
    if (grid.RowCount() < 2 || (applied && grid.RowCount() != int(read.rows.size())))
        fail("table size", input);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    long long inputs = 20000;
    unsigned long long seed = 1;
    bool xls = true; // --xls 0 leaves out freexl, whose own faults would end an xlsx run
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        bool ok = false;
        const long long value = args.at(i + 1).toLongLong(&ok);
        if (!ok || value < 0 || (args.at(i) != u"--inputs" && args.at(i) != u"--seed" && args.at(i) != u"--xls")) {
            std::fprintf(stderr, "usage: %s [--inputs N] [--seed S] [--xls 0|1]\n", argv[0]);
            return 2;
        }
        if (args.at(i) == u"--inputs")
            inputs = value;
        else if (args.at(i) == u"--xls")
            xls = value != 0;
        else
            seed = static_cast<unsigned long long>(value);
    }

    QTemporaryDir folder;
    SortGridData protocol;
    setupProtocolGrid(protocol);
    protocol.setRowCount(3);
    for (int col = 0; col < protocolColumnCount; ++col) {
        protocol.setCell(col, 1, QStringLiteral("Zelle %1 äöü").arg(col));
        protocol.setCell(col, 2, QStringLiteral("%1,5").arg(col));
    }
    const QString saved = folder.filePath(QStringLiteral("saved.xlsx"));
    if (!folder.isValid() || !saveProtocolWorkbook(protocol, saved, {})) {
        std::fprintf(stderr, "no seed workbook\n");
        return 2;
    }
    const QList<QByteArray> xlsxSeeds{readFile(saved),
                                      readFile(QStringLiteral(TARVOLT_TEST_DATA "/calc_protocol.xlsx"))};
    const QByteArray xlsSeed = readFile(QStringLiteral(TARVOLT_TEST_DATA "/calc_protocol.xls"));
    if (xlsxSeeds[1].isEmpty() || xlsSeed.isEmpty()) {
        std::fprintf(stderr, "no Calc seed files in %s\n", TARVOLT_TEST_DATA);
        return 2;
    }
    QList<Parts> seedParts;
    for (const QByteArray& seedBytes : xlsxSeeds)
        seedParts << unzip(seedBytes);

    const QLocale german(QLocale::German, QLocale::Germany);
    WorkbookLimits limits;
    limits.rows = 50; // small limits reach the refusals too
    limits.cellChars = 200;
    std::mt19937_64 random(seed);
    QElapsedTimer timer;
    timer.start();
    const QString scratchZip = folder.filePath(QStringLiteral("scratch.zip"));
    const QString scratchXls = folder.filePath(QStringLiteral("scratch.xls"));
    long long xlsInputs = 0;
    for (long long i = 0; i < inputs; ++i) {
        const std::uint64_t kind = xls ? random() % 4 : 1 + random() % 3;
        if (kind == 0) {
            const QByteArray input = damage(xlsSeed, random);
            if (!writeFile(scratchXls, input))
                fail("scratch file", input);
            check(readXlsRows(scratchXls, protocolColumnCount, german, limits), input, limits);
            ++xlsInputs;
            continue;
        }
        const std::size_t which = std::size_t(random() % 2);
        QByteArray input;
        if (kind == 1) {
            input = damage(xlsxSeeds[qsizetype(which)], random);
        } else {
            Parts parts = seedParts[qsizetype(which)];
            const qsizetype part = qsizetype(random() % quint64(parts.data.size()));
            parts.data[part] = damage(parts.data[part], random);
            input = zipParts(parts, scratchZip);
        }
        check(readXlsxRows(input, protocolColumnCount, german, limits), input, limits);
    }
    std::printf("workbook readers: %lld inputs (%lld .xls), seed %llu, no failure, %.1f s\n", inputs, xlsInputs, seed,
                timer.elapsed() / 1000.0);
    return 0;
}
