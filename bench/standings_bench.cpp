// Times the standings of a day's protocol: 5,000 runs of 200 groups, as the window, the page
// and the live view compute them after every finish. Run by hand: standings_bench [rows] [groups].
// Prints the median and the slowest wall time and the median CPU time of 21 computations, grid
// to standings.

#include "standings_bench_protocol.h"

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
    fillBenchProtocol(grid, rows, groups, random);
    std::printf("%d rows in %d groups\n", rows, groups);
    measure("best run, Zeit", grid, 1, false);
    measure("sum of best 3, Zeit", grid, 3, false);
    measure("best run, Vmax descending", grid, 1, true);
    return 0;
}
