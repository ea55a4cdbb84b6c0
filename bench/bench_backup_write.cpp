// Times the backup write that follows every finish: the copy of the rows the window
// makes ("window", all the GUI thread waits for), and on the backup writer's thread the
// file's bytes, the temporary file flushed to disk and renamed ("writer thread"). Measured for a
// real event (5,000 rows) and for the largest table any loader accepts (the 16 MiB the
// text reader takes back). Run by hand: bench_backup_write [folder] (default: the
// temporary folder; give the folder the backup really lies on, e.g. a USB stick).

#include "controls/sort_grid_data.h"
#include "protocol/atomic_file_writer.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// rows data rows; every name cell holds nameChars characters (with an umlaut, as real names do).
void fill(SortGridData& grid, int rows, int nameChars) {
    setupProtocolGrid(grid);
    grid.beginUpdate();
    grid.setRowCount(rows + 1);
    const QString name = QString::fromUtf8("Jürgen ") + QString(std::max(0, nameChars - 7), u'x');
    for (int row = 1; row <= rows; ++row) {
        const QStringList cells{QString::number(row),       name,
                                QStringLiteral("Golf GTI"), QStringLiteral("Klasse A"),
                                QStringLiteral("2,345"),    QStringLiteral("98,50"),
                                QStringLiteral("123,45"),   QStringLiteral("0,512"),
                                QStringLiteral("8,500"),    QString::number(row)};
        for (int col = 0; col < protocolColumnCount; ++col)
            grid.setCell(col, row, cells[col]);
    }
    grid.endUpdate();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(const char* what, const SortGridData& grid, const QString& file) {
    std::vector<double> snapshot;
    std::vector<double> write;
    qint64 bytes = 0;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer timer;
        timer.start();
        // What the window does: copy the rows (their texts are shared).
        QList<QStringList> rows;
        rows.reserve(grid.RowCount() - 1);
        for (int row = 1; row < grid.RowCount(); ++row)
            rows.append(grid.rowCells(row));
        snapshot.push_back(double(timer.nsecsElapsed()) / 1e6);
        // What the writer's thread does: the bytes, the temporary file, the flush, the rename.
        timer.restart();
        const QByteArray data = protocolTextBytes(rows, grid.ColCount());
        bytes = data.size();
        if (!writeFileAtomically(file, data, nullptr, TargetLinks::Refuse)) {
            std::fprintf(stderr, "the backup could not be written: %s\n", qPrintable(file));
            return;
        }
        write.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%-34s %6.2f MiB  window %6.2f ms  writer thread %7.1f ms (median of 7, worst %.1f ms)\n", what,
                double(bytes) / (1024 * 1024), median(snapshot), median(write),
                *std::max_element(write.begin(), write.end()));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch(argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("bench-XXXXXX"))
                                   : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no folder to write in\n");
        return 1;
    }
    const QString file = scratch.filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));

    SortGridData event;
    fill(event, 5000, 20);
    measure("5,000 rows (an event)", event, file);

    // The largest table a loader accepts: names long enough that the file is just under the cap.
    const int rows = 5000;
    int nameChars = 20;
    SortGridData largest;
    for (int step = 4096; step > 0; step /= 2) {
        fill(largest, rows, nameChars + step);
        if (protocolTextBytes(largest).size() <= maxProtocolFileBytes)
            nameChars += step;
    }
    fill(largest, rows, nameChars);
    measure("largest accepted table (the cap)", largest, file);
    return 0;
}
