// Time from process start to the first painted main window, beside a bare Qt window's.
// Run by hand, under X or headless:  bench_startup [runs]   (default 10)
// Each measurement is a fresh child process (this program with --bare or --tarvolt),
// so every run pays the full start-up: dynamic loading, QApplication, fonts, windows.
// The Tarvolt run creates all five windows as the program does, with its files,
// settings, backup and simulator socket in a temporary folder.
#include "app/program_windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Prints the time since `startNs` when the watched window is painted first, then quits.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& window, qint64 startNs) : m_startNs(startNs) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("%.2f\n", double(monotonicNs() - m_startNs) / 1e6);
            std::fflush(stdout);
            // exit(), not quit(): quit() would first ask every window to close.
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 m_startNs;
    bool m_done = false;
};

int runChild(int argc, char* argv[], bool tarvolt, qint64 startNs) {
    QApplication app(argc, argv);
    if (!tarvolt) {
        QWidget window;
        window.resize(850, 572);
        FirstPaint watch(window, startNs);
        window.show();
        return app.exec();
    }
    QTemporaryDir folder;
    FormMainEnvironment environment = FormMainEnvironment::ofProcess();
    // The program's own name in the temporary folder, so that its backup lands there; the
    // sounds beside the real executable are loaded from there as from an installed copy.
    environment.executablePath = folder.filePath(QFileInfo(QStringLiteral(TARVOLT_EXECUTABLE)).fileName());
    environment.shareFolder = QFileInfo(QStringLiteral(TARVOLT_EXECUTABLE)).absolutePath();
    environment.dataFolder = folder.path();
    environment.settingsPath = folder.filePath(QStringLiteral("Tarvolt.conf"));
    environment.simulatorSocketPath = folder.filePath(QStringLiteral("simulator"));
    environment.currentFolder = folder.path();
    environment.openUrl = [](const QUrl&) {};
    ProgramWindows windows(environment);
    FirstPaint watch(windows.FormMain, startNs);
    windows.FormMain.show();
    const int result = app.exec();
    windows.FormMain.endWithoutQuestion(); // writes only into the temporary folder
    return result;
}

struct Sample {
    double inProcessMs; // main() to the first paint
    double wallMs;      // process start to the first paint, as the parent sees it
};

bool measure(const QString& mode, Sample& sample) {
    QProcess child;
    QElapsedTimer wall;
    wall.start();
    child.start(QCoreApplication::applicationFilePath(), {mode});
    if (!child.waitForReadyRead(30000))
        return false;
    const QByteArray line = child.readLine().trimmed();
    sample.wallMs = double(wall.nsecsElapsed()) / 1e6;
    child.waitForFinished(30000);
    bool ok = false;
    sample.inProcessMs = line.toDouble(&ok);
    return ok;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    const qint64 startNs = monotonicNs();
    if (argc > 1 && (qstrcmp(argv[1], "--bare") == 0 || qstrcmp(argv[1], "--tarvolt") == 0))
        return runChild(argc, argv, qstrcmp(argv[1], "--tarvolt") == 0, startNs);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;
    std::printf("first painted window, median of %d runs (QT_QPA_PLATFORM=%s)\n", runs,
                qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM"))
                                                             : "default");
    for (const QString& mode : {QStringLiteral("--bare"), QStringLiteral("--tarvolt")}) {
        std::vector<double> inProcess, wall;
        for (int i = 0; i < runs; ++i) {
            Sample sample{};
            if (!measure(mode, sample)) {
                std::printf("%s: the child did not paint\n", qPrintable(mode));
                return 1;
            }
            inProcess.push_back(sample.inProcessMs);
            wall.push_back(sample.wallMs);
        }
        std::printf("%-10s main() to paint %7.1f ms   process start to paint %7.1f ms\n",
                    mode == QStringLiteral("--bare") ? "bare Qt" : "Tarvolt", median(inProcess), median(wall));
    }
    return 0;
}
