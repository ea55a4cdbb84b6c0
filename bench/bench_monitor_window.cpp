// The running clock with the spectator window shown: processor use and the clock's pace.
// Run by hand:  bench_monitor_window [seconds]   (default 20)
// Without QT_QPA_PLATFORM it draws off screen on two monitors, the official's 1280 x 1024
// and the spectators' 1920 x 1080; under X it uses the real screens ("Monitor" is 1).
// The program's five windows are made as at start, 5,000 runs are put into the protocol,
// the spectator window is shown, a run is started through the simulated barrier box, and
// then every tick of the 6 ms clock is stamped (the clock reads the counter once a tick).
#include "app/form_main_commands.h"
#include "app/program_windows.h"
#include "controls/digit.h"
#include "controls/sort_grid.h"
#include "display/display_panel.h"
#include "io/simulated_barrier_box.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

namespace {

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    std::map<QObject*, int> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints[watched];
        return QObject::eventFilter(watched, event);
    }
};

bool waitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QTemporaryDir folder;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QString config = folder.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly))
            file.write(R"({"screens": [
                {"name": "a", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96, "logicalBpp": 32, "dpr": 1},
                {"name": "b", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "logicalBpp": 32, "dpr": 1}]})");
        file.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    }
    QApplication app(argc, argv);

    FormMainEnvironment environment = FormMainEnvironment::ofProcess();
    environment.executablePath = folder.filePath(QStringLiteral("Tarvolt"));
    environment.dataFolder = folder.path();
    environment.settingsPath = folder.filePath(QStringLiteral("Tarvolt.conf"));
    environment.simulatorSocketPath = folder.filePath(QStringLiteral("simulator"));
    environment.currentFolder = folder.path();
    environment.openUrl = [](const QUrl&) {};
    // The clock reads the counter once a tick on the GUI thread: that read is the tick's stamp.
    std::vector<qint64> ticks;
    bool recording = false;
    QThread* gui = QThread::currentThread();
    environment.performanceCounter = [&] {
        const qint64 now = monotonicNs();
        if (recording && QThread::currentThread() == gui)
            ticks.push_back(now);
        return now;
    };
    {
        QSettings settings(environment.settingsPath, QSettings::IniFormat);
        const std::pair<const char*, QVariant> values[] = {
            {"Left", 0},  {"Top", 0},       {"Width", 850},  {"Height", 572}, {"Sound", 0},
            {"Port", 64}, {"FilterInd", 1}, {"Length", 100}, {"Monitor", 1},  {"Title", "Bench"}};
        for (const auto& [key, value] : values)
            settings.setValue(QLatin1String(key), value);
    }

    ProgramWindows windows(environment);
    TFormMain& main = windows.FormMain;
    TFormMonitor2& monitor = windows.FormMonitor2;
    SortGridData& grid = main.ui().SortGrid1->gridData();
    grid.setRowCount(5001);
    for (int row = 1; row <= 5000; ++row) {
        grid.setCell(colNr, row, QString::number(row + 10));
        grid.setCell(colName, row, QStringLiteral("Fahrer %1").arg(row));
        grid.setCell(colZeit, row, QStringLiteral("%1,%2").arg(5 + row % 7).arg(row % 1000, 3, 10, QLatin1Char('0')));
    }
    main.show();
    FormMainCommands::clickItem(main.commands().Modus1);
    if (!waitFor([&] { return monitor.isVisible(); })) {
        std::fprintf(stderr, "the spectator window did not show\n");
        return 1;
    }
    std::printf("spectator window %dx%d at %d,%d, protocol rows %d\n", monitor.width(), monitor.height(), monitor.x(),
                monitor.y(), grid.RowCount() - 1);

    RunController& controller = main.runController();
    FormMainCommands::clickItem(main.commands().mFreigabe1);
    main.barrierBox().setContact(1, true);
    if (!waitFor([&] { return controller.isClockRunning(); })) {
        std::fprintf(stderr, "the run did not start\n");
        return 1;
    }
    main.barrierBox().setContact(1, false);
    // The start's sound, lock-out and first paints pass before the measurement.
    QDeadlineTimer settle(500);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    PaintCounter paints;
    const DisplayDigits digits = monitor.displayDigits();
    for (TDigit* digit : digits.digits)
        digit->installEventFilter(&paints);
    monitor.PanelTimer->installEventFilter(&paints);

    recording = true;
    const qint64 wallStart = monotonicNs();
    const double cpuStart = processorSeconds();
    QTimer::singleShot(seconds * 1000, &app, [] { QCoreApplication::exit(0); });
    app.exec();
    const double cpu = processorSeconds() - cpuStart;
    const double wall = double(monotonicNs() - wallStart) / 1e9;
    recording = false;

    std::vector<double> gaps;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        gaps.push_back(double(ticks[i] - ticks[i - 1]) / 1e6);
    std::sort(gaps.begin(), gaps.end());
    const auto percentile = [&](double p) {
        return gaps.empty() ? 0.0 : gaps[std::min(gaps.size() - 1, std::size_t(p * double(gaps.size())))];
    };
    std::printf("measured %.1f s: processor %.2f s = %.2f %% of one core\n", wall, cpu, 100.0 * cpu / wall);
    std::printf("clock ticks %zu (%.1f per second), gap median %.2f ms, p99 %.2f ms, max %.2f ms\n", ticks.size(),
                double(ticks.size()) / wall, percentile(0.5), percentile(0.99), gaps.empty() ? 0.0 : gaps.back());
    std::printf("spectator repaints per second:");
    const char* names[] = {"Digit10M", "Digit4", "Digit5", "Digit6", "Digit7",  "Digit8", "Digit9",
                           "Digit1",   "Digit2", "Digit3", "Digit0", "Digit10", "Digit20"};
    for (int i = 0; i < digitCount; ++i)
        std::printf(" %s %.1f", names[i], paints.paints[digits.digits[std::size_t(i)]] / wall);
    std::printf("; PanelTimer %.1f\n", paints.paints[monitor.PanelTimer] / wall);
    main.endWithoutQuestion(); // writes only into the temporary folder
    return 0;
}
