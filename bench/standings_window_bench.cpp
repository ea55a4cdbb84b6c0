// Times what the "Wertung" window costs the GUI thread after a finish at 5,000 rows: the
// longest the event loop is held up (a 1 ms ticker's largest gap) from a changed result cell
// to the window showing it, and, for comparison, a synchronous refresh() (computed and shown
// on the GUI thread, as every update was before the worker took the computation).
// Run by hand: standings_window_bench [rows] [groups]; needs no display (offscreen).

#include "standings_bench_protocol.h"

#include "standings/standings_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double stallMs = 0;   // longest gap between ticks, less the tick itself
    double shownMs = 0;   // from the change to the result shown
    double refreshMs = 0; // a synchronous refresh()
};

// One finish-like change in the row given, then the event loop until the result is shown.
Figures oneUpdate(StandingsWindow& window, SortGridData& grid, int row, int step) {
    Figures figures;
    // A new best time of 3,0xx s: the row's competitor leads its group, shown in the table's
    // first line once the window has caught up.
    const QString time = QStringLiteral("3,%1").arg(step % 1000, 3, 10, QLatin1Char('0'));
    QEventLoop loop;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        figures.stallMs = std::max(figures.stallMs, sinceTick.nsecsElapsed() / 1e6 - 1.0);
        sinceTick.start();
        const QTableWidgetItem* leader = window.table()->item(0, 4);
        if (leader && leader->text() == time)
            loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit); // a lost update must not hang the bench
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    grid.setCell(colZeit, row, time);
    loop.exec();
    figures.shownMs = clock.nsecsElapsed() / 1e6;
    ticker.stop();

    grid.setCell(colZeit, row, QStringLiteral("3,%1").arg((step + 500) % 1000, 3, 10, QLatin1Char('0')));
    QElapsedTimer refresh;
    refresh.start();
    window.refresh();
    figures.refreshMs = refresh.nsecsElapsed() / 1e6;
    return figures;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double slowest(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

void measure(const char* label, int rows, int groups) {
    QRandomGenerator random(20140307);
    SortGridData grid;
    fillBenchProtocol(grid, rows, groups, random);
    StandingsWindow window(grid, StandingsWindow::Links{});
    window.show();
    // The official watches the group of row 1, where every change lands.
    window.refresh();
    const QString group = grid.cell(colGruppe, 1);
    for (int index = 0; index < window.standings().size(); ++index)
        if (window.standings()[index].gruppe == group)
            window.showGroup(index);
    std::vector<double> stall, shown, refresh;
    for (int step = 0; step < 21; ++step) {
        const Figures figures = oneUpdate(window, grid, 1, step);
        stall.push_back(figures.stallMs);
        shown.push_back(figures.shownMs);
        refresh.push_back(figures.refreshMs);
    }
    std::printf("%-22s GUI held up: median %6.2f ms, longest %6.2f ms; shown after median %6.2f ms; "
                "synchronous refresh median %6.2f ms\n",
                label, median(stall), slowest(stall), median(shown), median(refresh));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;
    const int groups = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    std::printf("%d rows\n", rows);
    measure(qPrintable(QStringLiteral("%1 groups").arg(groups)), rows, groups);
    measure("1 group", rows, 1);
    return 0;
}
