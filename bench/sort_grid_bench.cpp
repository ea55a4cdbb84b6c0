// Times SortGridData::sortByColumn on a protocol-sized table of 10,000 rows.
// Run by hand: sort_grid_bench [rows]. Prints the median of several sorts per style.

#include "controls/sort_grid_compare.h"
#include "controls/sort_grid_data.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// The protocol's comparison of result cells, written as an owner should: it runs
// about n log n times per sort, so it must not allocate.
int resultKey(const QString& t) {
    const bool blank = std::all_of(t.begin(), t.end(), [](QChar c) { return c == QLatin1Char(' '); });
    if (blank) {
        return 19;
    }
    // The grid has lower-cased A to Z already.
    return t == QLatin1String("aus") ? 18 : int(t.size());
}

int lengthThenOrdinal(const QString& a, const QString& b) {
    const int ka = resultKey(a);
    const int kb = resultKey(b);
    if (ka != kb) {
        return ka > kb ? 1 : -1;
    }
    return ordinalCompare(a, b);
}

void fill(SortGridData& grid, int rows, QRandomGenerator& random) {
    static const char* names[] = {"Müller", "Maier", "Schmidt", "Özdemir", "Weber", "Wagner", "Becker", "Hoffmann"};
    grid.beginUpdate();
    grid.setColCount(10);
    grid.setRowCount(rows + 1);
    for (int row = 1; row <= rows; ++row) {
        const int ms = 4000 + int(random.bounded(20000));
        grid.setCell(0, row, QString::number(1 + random.bounded(9999)));
        grid.setCell(1, row, QString::fromUtf8(names[random.bounded(8)]) + QString::number(random.bounded(100)));
        grid.setCell(2, row, QStringLiteral("Fahrzeug %1").arg(random.bounded(50)));
        grid.setCell(3, row, QStringLiteral("Gruppe %1").arg(random.bounded(5)));
        grid.setCell(5, row, QString::number(201.17 * 1000 / ms, 'f', 2).replace('.', ','));
        grid.setCell(8, row, QStringLiteral("%1,%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0')));
    }
    grid.endUpdate();
}

// CPU time of this thread: on a shared machine wall time also counts the
// moments other programs had the processor.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Timing {
    double wallMs;
    double cpuMs;
    double bestWallMs;
};

Timing medianMs(SortGridData& grid, int col, TSortStyle style, QRandomGenerator& random, int rows) {
    std::vector<double> walls;
    std::vector<double> cpus;
    for (int run = 0; run < 9; ++run) {
        fill(grid, rows, random); // unsorted input every time
        grid.OnGetSortStyle = [&grid, style](int, TSortStyle& s) {
            s = style;
            if (style == ssCustom) {
                grid.SortOptions().CustomCompare = lengthThenOrdinal;
            }
        };
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        grid.sortByColumn(col);
        walls.push_back(timer.nsecsElapsed() / 1e6);
        cpus.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2], walls.front()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    QRandomGenerator random(4711);
    SortGridData grid;
    grid.setLocale(QLocale(QLocale::German, QLocale::Germany));

    auto print = [](const char* what, Timing t) {
        std::printf("  %-32s %7.2f ms wall %7.2f ms cpu, best %7.2f ms wall\n", what, t.wallMs, t.cpuMs, t.bestWallMs);
    };
    std::printf("%d rows, median of 9 sorts (wall and thread CPU time)\n", rows);
    print("names, ssAutomatic (ordinal):", medianMs(grid, 1, ssAutomatic, random, rows));
    print("Zeit, ssCustom (length, text):", medianMs(grid, 8, ssCustom, random, rows));
    print("Ø-km/h, ssNumeric:", medianMs(grid, 5, ssNumeric, random, rows));
    grid.SortOptions().SecondaryIndex = QStringLiteral("3,1");
    print("Zeit + two secondary keys:", medianMs(grid, 8, ssCustom, random, rows));
    return 0;
}
