// Times the standings of a day's protocol: 5,000 runs of 200 groups, as the window, the page
// and the live view compute them after every finish. Run by hand: standings_bench [rows] [groups].
// Prints the median and the slowest wall time and the median CPU time of 21 computations, grid
// to standings.

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "standings/standings.h"
#include "standings/standings_table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// Competitors of about five runs each, some accidents, the rest timed; Vmax for the second rule.
void fill(SortGridData& grid, int rows, int groups, QRandomGenerator& random) {
    setupProtocolGrid(grid);
    grid.beginUpdate();
    grid.setRowCount(rows + 1);
    const int competitors = std::max(1, rows / 5);
    for (int row = 1; row <= rows; ++row) {
        const int competitor = int(random.bounded(competitors));
        grid.setCell(colNr, row, QString::number(1 + competitor));
        grid.setCell(colName, row, QStringLiteral("Fahrer %1").arg(competitor));
        grid.setCell(colFahrzeug, row, QStringLiteral("Fahrzeug %1").arg(competitor % 50));
        grid.setCell(colGruppe, row, QStringLiteral("Klasse %1").arg(competitor % groups));
        if (random.bounded(20) == 0) {
            grid.setCell(colZeit, row, QStringLiteral("-"));
            grid.setCell(colVmax, row, QStringLiteral("-"));
            continue;
        }
        const int ms = 4000 + int(random.bounded(80000));
        grid.setCell(colZeit, row, QStringLiteral("%1,%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0')));
        grid.setCell(colVmax, row, QString::number(36000.0 / (ms / 10), 'f', 2).replace(u'.', u','));
    }
    grid.endUpdate();
}

// CPU time of this thread: on a shared machine wall time also counts other programs' turns.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void measure(const char* label, SortGridData& grid, int wertung, bool byVmax) {
    grid.SortOptions().RankCol = byVmax ? colVmax : colZeit;
    std::vector<double> ms;
    std::vector<double> cpu;
    qsizetype lines = 0;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = threadCpuMs();
        const auto groups = computeStandings(protocolDataRows(grid), standingsRuleOf(grid, wertung));
        cpu.push_back(threadCpuMs() - cpuStart);
        ms.push_back(clock.nsecsElapsed() / 1e6);
        lines = 0;
        for (const StandingsGroup& group : groups)
            lines += group.entries.size();
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-26s wall median %6.2f ms, slowest %6.2f ms; CPU median %6.2f ms (%lld competitor lines)\n", label,
                ms[ms.size() / 2], ms.back(), cpu[cpu.size() / 2], static_cast<long long>(lines));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;
    const int groups = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    QRandomGenerator random(20140307);
    SortGridData grid;
    fill(grid, rows, groups, random);
    std::printf("%d rows in %d groups\n", rows, groups);
    measure("best run, Zeit", grid, 1, false);
    measure("sum of best 3, Zeit", grid, 3, false);
    measure("best run, Vmax descending", grid, 1, true);
    return 0;
}
