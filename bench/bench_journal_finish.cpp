// How long after F8 the finish is on the display and in the backup, with and without the
// event journal, and with the journal busy writing a whole protocol when the finish comes.
// Run by hand:  bench_journal_finish [finishes per mode] [protocol rows]   (default 200, 200)
// The run controller, the protocol and the display state are the program's; the port is a
// stand-in, the backup and the journal are written to a temporary folder on this disk.

#include "bench_threads.h"

#include "controls/sort_grid_data.h"
#include "display/display_state.h"
#include "journal/journal.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "run/run_controller.h"
#include "run/run_port.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class NoPort : public RunPort {
public:
    bool open(bool) override { return true; }
    void close() override {}
    int portNumber() const override { return 0; }
};

void idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Figures {
    std::vector<double> displayUs;
    std::vector<double> backupUs;
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5))];
}

void print(const char* mode, const Figures& f) {
    std::printf("%-34s display median %7.1f us  p95 %7.1f  max %8.1f | backup median %8.1f us  p95 %8.1f  max %9.1f\n",
                mode, percentile(f.displayUs, 0.5), percentile(f.displayUs, 0.95), percentile(f.displayUs, 1.0),
                percentile(f.backupUs, 0.5), percentile(f.backupUs, 0.95), percentile(f.backupUs, 1.0));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int finishes = argc > 1 ? std::max(10, atoi(argv[1])) : 200;
    const int rows = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));

    SortGridData grid;
    setupProtocolGrid(grid);
    grid.setRowCount(rows + 1);
    for (int row = 1; row <= rows; ++row) {
        grid.setCell(colNr, row, QString::number(row + 100));
        grid.setCell(colName, row, QStringLiteral("Fahrer %1").arg(row));
        grid.setCell(colFahrzeug, row, QStringLiteral("Golf GTI"));
        grid.setCell(colZeit, row, QStringLiteral("5,%1").arg(row % 1000, 3, 10, QLatin1Char('0')));
    }
    DisplayState display;
    NoPort port;
    RunController controller(port, grid, display, &bench_threads::nanoseconds, 1000.0, [](RunSound) {});
    Settings settings;
    settings.Length = 100;
    controller.setSettings(settings);
    controller.setEditStartN1(1);

    // The moments each finish reaches the display and the backup.
    qint64 finishAt = 0;
    qint64 displayAt = 0;
    qint64 backupAt = 0;
    QObject::connect(&display, &DisplayState::changed, [&] {
        if (finishAt && !displayAt)
            displayAt = bench_threads::nanoseconds();
    });
    QObject::connect(&controller, &RunController::backupRequested, [&] {
        (void)saveProtocolText(grid, backup);
        backupAt = bench_threads::nanoseconds();
    });

    JournalWriter::Options options;
    options.path = dir.filePath(QStringLiteral("Tarvolt-Journal.sqlite"));
    Journal journal(options);
    const ProtocolRows wholeProtocol = protocolRowsOf(grid);

    enum Mode { Without, With, WithBusyWriter, modeCount };
    const char* const names[] = {"without journal", "with journal", "with journal, writer busy"};
    Figures figures[modeCount];
    for (int i = 0; i < finishes * modeCount; ++i) {
        const Mode mode = Mode(i % modeCount);
        controller.setEventSink(mode == Without ? RunEventSink()
                                                : [&journal](const RunEventReport& r) { journal.runEvent(r); });
        controller.mResetClick();
        controller.mStartClick();
        idle(15);
        if (mode == WithBusyWriter) // a whole protocol before and after, as a clear or load writes it
            journal.protocolReplaced(JournalKind::Loaded, {}, wholeProtocol, wholeProtocol);
        displayAt = backupAt = 0;
        finishAt = bench_threads::nanoseconds();
        controller.mStopClick();
        figures[mode].displayUs.push_back(double(displayAt - finishAt) / 1e3);
        figures[mode].backupUs.push_back(double(backupAt - finishAt) / 1e3);
        finishAt = 0;
        idle(5);
    }
    std::printf("%d finishes per mode, %d protocol rows, journal entries written %lld\n", finishes, rows,
                static_cast<long long>(journal.writer().writtenCount()));
    for (int m = 0; m < modeCount; ++m)
        print(names[m], figures[m]);
    journal.programEnded(10000);
    return 0;
}
