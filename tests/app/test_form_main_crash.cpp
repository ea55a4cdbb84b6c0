#include "controls/sort_grid_data.h"
#include "journal/journal_reader.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "settings/settings_store.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

// The real main window in a child process (form_main_child), its stdin and stdout.
class Child {
public:
    explicit Child(const QString& root) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Nothing of the child may reach the real home, whatever Qt looks up there.
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString folder = QDir(root).filePath(QStringLiteral("env/") + QString::fromLatin1(name));
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            environment.insert(QString::fromLatin1(name), folder);
        }
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setProgram(QStringLiteral(TARVOLT_FORM_MAIN_CHILD));
        m_process.setArguments({root});
    }
    ~Child() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool start() {
        m_process.start();
        return m_process.waitForStarted(10000) && waitFor(QStringLiteral("ready"), 30000);
    }
    void send(const QByteArray& line) {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(5000);
    }
    // Reads lines until one starts with prefix and returns it; nothing when the deadline
    // passes or the child ends first.
    std::optional<QString> waitFor(const QString& prefix, int ms) {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                m_lines << line;
                if (line.startsWith(prefix))
                    return line;
            }
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return std::nullopt;
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }
    QProcess& process() { return m_process; }
    // Everything read so far, for failure messages.
    QString log() const { return m_lines.join(QStringLiteral(" / ")); }

private:
    QProcess m_process;
    QStringList m_lines;
};

// The simulated barrier box's command socket.
class Box {
public:
    bool connectTo(const QString& path) {
        // The socket is there once the child's start-up has probed the port.
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            m_socket.connectToServer(path);
            if (m_socket.waitForConnected(1000))
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    QByteArray command(const QByteArray& line) {
        m_socket.write(line + '\n');
        m_socket.waitForBytesWritten(5000);
        while (!m_socket.canReadLine())
            if (!m_socket.waitForReadyRead(5000))
                return {};
        return m_socket.readLine().trimmed();
    }

private:
    QLocalSocket m_socket;
};

} // namespace

// Crash safety: every finished run is on disk the moment it is finished, so a program
// killed without warning loses none of them.
class TestFormMainCrash : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        QDir root(m_root.path());
        for (const char* folder : {"bin", "config", "data", "sys/class/tty"})
            QVERIFY(root.mkpath(QString::fromLatin1(folder)));
        // COM64 is the simulated box. Every barrier counts when its contact closes; the split is
        // taken at the start, and the start locks the finish out for only 1 ms.
        Settings settings;
        settings.Port = 64;
        settings.Sound = false;
        settings.Length = 100;
        settings.WaitStart = 1;
        settings.LuchZwZeit = false;
        settings.Alg = {1, 1, 1, 1};
        QVERIFY(!saveSettings(root.filePath(QStringLiteral("config/Tarvolt.conf")), settings));
    }

    void threeRunsSurviveAKill() {
        const QString backup = QDir(m_root.path()).filePath(QStringLiteral("bin/Tarvolt-Sicherungsdatei.txt"));
        {
            Child child(m_root.path());
            QVERIFY2(child.start(), qPrintable(child.log()));
            Box box;
            QVERIFY(box.connectTo(QDir(m_root.path()).filePath(QStringLiteral("box.sock"))));
            for (int number = 1; number <= 3; ++number) {
                if (number > 1) {
                    child.send("reset");
                    QVERIFY2(child.waitFor(QStringLiteral("state Idle"), 10000), qPrintable(child.log()));
                }
                child.send("number " + QByteArray::number(number));
                child.send("arm");
                QVERIFY2(child.waitFor(QStringLiteral("state Armed"), 10000), qPrintable(child.log()));
                // A pulse that meets the previous finish's lock-out, or the port still opening,
                // counts for nothing; the next one does.
                QVERIFY2(pulseUntil(child, box, "L1", QStringLiteral("state Running")), qPrintable(child.log()));
                const std::optional<QString> written = pulseUntil(child, box, "L4", QStringLiteral("backup"));
                QVERIFY2(written, qPrintable(child.log()));
                QCOMPARE(*written, QStringLiteral("backup %1").arg(number));
            }
            child.process().kill(); // SIGKILL: no close, no shutdown, nothing written at the end
            QVERIFY(child.process().waitForFinished(10000));
            QCOMPARE(child.process().exitStatus(), QProcess::CrashExit);
        }
        QCOMPARE(numbersIn(backup), QStringList({"1", "2", "3"}));

        Child fresh(m_root.path());
        QVERIFY2(fresh.start(), qPrintable(fresh.log()));
        fresh.send("rows");
        QStringList numbers;
        QStringList places;
        QStringList times;
        QStringList order;
        for (;;) {
            const std::optional<QString> line = fresh.waitFor(QString(), 10000);
            QVERIFY2(line, qPrintable(fresh.log()));
            if (line->startsWith(QStringLiteral("row "))) {
                const QStringList cells = line->mid(4).split(u'|');
                QCOMPARE(cells.size(), int(protocolColumnCount));
                QVERIFY2(!cells.at(colZeit).trimmed().isEmpty(), qPrintable(*line));
                numbers << cells.at(colNr);
                places << cells.at(colPlatz);
                times << cells.at(colZeit);
            } else if (line->startsWith(QStringLiteral("fields "))) {
                order = line->mid(7).split(u' ');
            } else if (*line == QStringLiteral("end")) {
                break;
            }
        }
        QStringList sorted = numbers;
        sorted.sort();
        QCOMPARE(sorted, QStringList({"1", "2", "3"}));
        // Ranked on loading, fastest first (equal times share a place). Everyone has run: the
        // fields take row 2's number, which was "Bereit", and the one after it.
        for (int i = 0; i < places.size(); ++i) {
            const bool tie = i > 0 && times.at(i) == times.at(i - 1);
            QCOMPARE(places.at(i), tie ? places.at(i - 1) : QString::number(i + 1));
        }
        QCOMPARE(order, QStringList({numbers.at(1), QString::number(numbers.at(1).toInt() + 1)}));

        fresh.send("quit");
        QVERIFY(fresh.process().waitForFinished(10000));
        QCOMPARE(fresh.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(fresh.process().exitCode(), 0);
        QCOMPARE(numbersIn(backup).size(), 3);
    }

    // A second copy on the same backup asks the first to show its window, shows its message
    // until a termination signal ends it, and writes nothing; a copy killed without a chance
    // to unlock does not keep the next start out.
    void secondCopyEndsWithoutWriting() {
        const QDir root(m_root.path());
        const QString backup = root.filePath(QStringLiteral("bin/Tarvolt-Sicherungsdatei.txt"));
        const QString settings = root.filePath(QStringLiteral("config/Tarvolt.conf"));
        Child first(m_root.path());
        QVERIFY2(first.start(), qPrintable(first.log()));
        const QByteArray backupBefore = contents(backup);
        const QByteArray settingsBefore = contents(settings);
        const QStringList filesBefore = allFiles();

        Child second(m_root.path());
        second.process().start();
        QVERIFY(second.process().waitForStarted(10000));
        const std::optional<QString> told = second.waitFor(QStringLiteral("already running"), 30000);
        QVERIFY2(told, qPrintable(second.log()));
        QVERIFY2(told->contains(QStringLiteral("Tarvolt läuft bereits")), qPrintable(*told));
        QVERIFY2(told->contains(QStringLiteral("(asked 1)")), qPrintable(*told));
        // The running copy was asked to bring its window to the front.
        QVERIFY2(first.waitFor(QStringLiteral("shown"), 10000), qPrintable(first.log()));
        // Its message box waits for the official, but a logout's termination signal ends it.
        QTest::qWait(200);
        QCOMPARE(second.process().state(), QProcess::Running);
        second.process().terminate();
        QVERIFY(second.process().waitForFinished(10000));
        QCOMPARE(second.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process().exitCode(), 3);
        QCOMPARE(contents(backup), backupBefore);
        QCOMPARE(contents(settings), settingsBefore);
        const QStringList filesAfter = allFiles();
        QVERIFY2(filesAfter == filesBefore,
                 qPrintable(filesAfter.join(u'\n') + QStringLiteral("\n---\n") + filesBefore.join(u'\n')));

        first.process().kill();
        QVERIFY(first.process().waitForFinished(10000));
        Child next(m_root.path());
        QVERIFY2(next.start(), qPrintable(next.log()));
        next.send("quit");
        QVERIFY(next.process().waitForFinished(10000));
        QCOMPARE(next.process().exitCode(), 0);
    }

    // Killed in the middle of a run: the journal is a sound database and holds every event of
    // the runs finished before, with the barrier that gave it and its stamps.
    void theJournalSurvivesAKillDuringARun() {
        const QString journal = QDir(m_root.path()).filePath(QStringLiteral("data/Tarvolt-Journal.sqlite"));
        {
            Child child(m_root.path());
            QVERIFY2(child.start(), qPrintable(child.log()));
            Box box;
            QVERIFY(box.connectTo(QDir(m_root.path()).filePath(QStringLiteral("box.sock"))));
            for (int number = 11; number <= 14; ++number) {
                if (number > 11) {
                    child.send("reset");
                    QVERIFY2(child.waitFor(QStringLiteral("state Idle"), 10000), qPrintable(child.log()));
                }
                child.send("number " + QByteArray::number(number));
                child.send("arm");
                QVERIFY2(child.waitFor(QStringLiteral("state Armed"), 10000), qPrintable(child.log()));
                QVERIFY2(pulseUntil(child, box, "L1", QStringLiteral("state Running")), qPrintable(child.log()));
                if (number == 14)
                    break; // on the track when the program dies
                QVERIFY2(pulseUntil(child, box, "L4", QStringLiteral("backup")), qPrintable(child.log()));
            }
            child.process().kill();
            QVERIFY(child.process().waitForFinished(10000));
            QCOMPARE(child.process().exitStatus(), QProcess::CrashExit);
        }
        const JournalReader reader(journal);
        QVERIFY(reader.integrityOk());
        for (int number = 11; number <= 13; ++number) {
            const QList<JournalRecord> records = reader.entriesOfNumber(QString::number(number));
            QStringList kinds;
            for (const JournalRecord& r : records)
                kinds << journalKindName(r.entry.kind) + u' ' + r.entry.source;
            // Without a split barrier the split is taken with the start, by L1.
            QCOMPARE(kinds, QStringList({"run_start L1", "run_split L1", "run_finish L4"}));
            const JournalEntry& finish = records.last().entry;
            QCOMPARE(finish.run, records.first().entry.run);
            const QJsonArray stamps = finish.detail.value(QStringLiteral("stamps")).toArray();
            QCOMPARE(stamps.size(), 4);
            QCOMPARE(stamps.at(0).toInteger(), records.first().entry.stamp);
            QCOMPARE(stamps.at(3).toInteger(), finish.stamp);
            QVERIFY(finish.stamp > records.first().entry.stamp);
            const QJsonArray cells = finish.detail.value(QStringLiteral("cells")).toArray();
            QCOMPARE(cells.at(colNr).toString(), QString::number(number));
            QVERIFY(!cells.at(colZeit).toString().trimmed().isEmpty());
        }
    }

private:
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Every file under the test's folder, but the lock, the box's socket and the child's
    // private environment, which the running first copy owns.
    QStringList allFiles() const {
        QStringList files;
        QDirIterator it(m_root.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (file.contains(QStringLiteral("/env/")) || file.endsWith(QStringLiteral("/box.sock")))
                continue;
            // The running copy's journal goes on being written by its own thread, which makes
            // SQLite's side files when it gets to it; only the journal's own name counts, so
            // that a journal the second copy made would still show.
            if (file.endsWith(QStringLiteral("-wal")) || file.endsWith(QStringLiteral("-shm")))
                continue;
            if (file.contains(QStringLiteral("Tarvolt-Journal.sqlite")))
                files << file;
            else
                files << file + u' ' + QString::number(QFileInfo(file).lastModified().toMSecsSinceEpoch());
        }
        files.sort();
        return files;
    }

    // Pulses a barrier until the child reports what the pulse should cause; gives up after 10 s.
    static std::optional<QString> pulseUntil(Child& child, Box& box, const QByteArray& barrier, const QString& what) {
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (box.command(barrier + " pulse 20") != "OK")
                return std::nullopt;
            if (const std::optional<QString> line = child.waitFor(what, 300))
                return line;
        }
        return std::nullopt;
    }

    // The start numbers of the data rows of a protocol file, sorted.
    static QStringList numbersIn(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<missing>")};
        SortGridData grid;
        setupProtocolGrid(grid);
        setProtocolRowsFromText(grid, file.readAll());
        QStringList numbers;
        for (int row = 1; row < grid.RowCount(); ++row)
            numbers << grid.cell(colNr, row);
        numbers.sort();
        return numbers;
    }

    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(TestFormMainCrash)
#include "test_form_main_crash.moc"
