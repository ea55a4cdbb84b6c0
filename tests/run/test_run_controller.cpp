// Whole races through the run controller with a fake port and counter, no window.

#include "controls/sort_grid_data.h"
#include "display/display_state.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_text_file.h"
#include "protocol/run_corrections.h"
#include "run/hand_given_marks.h"
#include "run/live_snapshot_of_run.h"
#include "run/run_controller.h"
#include "run/run_port.h"
#include "run_stamps.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr qint64 countsPerMs = 1'000'000; // CountSpeed 1000 counts per microsecond
constexpr qint64 t0 = 5'000 * countsPerMs;

qint64 at(qint64 ms) {
    return t0 + ms * countsPerMs;
}

// A barrier box on a port: DTR powers L1 and L2, RTS (open with RTS/CTS)
// powers L3 and L4, the lamp is lit while DTR is high and RTS low. A powered
// line rests at the inverse of its active level and takes the active level
// while the beam is broken. Changes are reported like the watcher does: one
// word, the changed lines in the order RING, CTS, DSR, RLSD.
class BoxPort : public RunPort {
public:
    RunController* controller = nullptr;
    std::array<qint32, 4> alg{1, 0, 0, 0};
    int number = 64;
    bool failOpen = false;
    bool connected = false;
    bool rtsCts = false;
    std::array<bool, 4> broken{};
    quint32 seen = 0;
    QStringList calls;

    bool open(bool rts) override {
        calls << (rts ? QStringLiteral("open rtscts") : QStringLiteral("open none"));
        disconnect();
        if (failOpen)
            return false;
        connected = true;
        rtsCts = rts;
        seen = word();
        controller->ComPortOpen(rts);
        return true;
    }
    void close() override {
        calls << QStringLiteral("close");
        disconnect();
    }
    int portNumber() const override { return number; }

    bool dtr() const { return connected; }
    bool rts() const { return connected && rtsCts; }
    bool lampLit() const { return dtr() && !rts(); }

    quint32 word() const {
        static constexpr quint32 lines[4] = {MS_DSR_ON, MS_RLSD_ON, MS_CTS_ON, MS_RING_ON};
        quint32 w = 0;
        for (int i = 0; i < 4; ++i) {
            const bool powered = i < 2 ? dtr() : rts();
            const int level = !powered ? 0 : broken[i] ? alg[i] : 1 - alg[i];
            if (level)
                w |= lines[i];
        }
        return w;
    }
    // Beams of barriers 0..3 (L1..L4) change together at one wake-up.
    void beams(std::initializer_list<std::pair<int, bool>> changes, qint64 stamp) {
        for (auto [barrier, isBroken] : changes)
            broken[barrier] = isBroken;
        if (!connected)
            return;
        const quint32 w = word();
        const quint32 diff = w ^ seen;
        seen = w;
        if (diff & MS_RING_ON)
            controller->ComPortStop(stamp, w);
        if (diff & MS_CTS_ON)
            controller->ComPortFinishSpeed(stamp, w);
        if (diff & MS_DSR_ON)
            controller->ComPortStart(stamp, w);
        if (diff & MS_RLSD_ON)
            controller->ComPortStartSpeed(stamp, w);
    }
    // A vehicle passes barrier b: broken, then clear 50 ms later.
    void pass(int barrier, qint64 stamp) {
        beams({{barrier, true}}, stamp);
        beams({{barrier, false}}, stamp + 50 * countsPerMs);
    }

private:
    void disconnect() {
        if (!connected)
            return;
        connected = false;
        controller->ComPortClose();
    }
};

const QStringList& headers = protocolHeaderTexts();

// The settings of a 100 m track, as the program has them once started.
Settings trackSettings() {
    Settings s;
    s.Length = 100;
    return s;
}

struct Rig {
    qint64 now = t0;
    SortGridData grid;
    DisplayState display;
    BoxPort port;
    QList<RunSound> sounds;
    RunController c;

    explicit Rig(const Settings& s = trackSettings())
        : c(
              port, grid, display, [this] { return now; }, 1000.0, [this](RunSound x) { sounds << x; }) {
        port.controller = &c;
        port.alg = s.Alg;
        c.setSettings(s);
        setupProtocolGrid(grid);
    }
    // Rows of "Nr.|Name|...|Zeit" texts; missing cells stay empty.
    void rows(const QStringList& rows) {
        grid.setRowCount(int(rows.size()) + 1);
        for (int r = 0; r < rows.size(); ++r) {
            const QStringList cells = rows[r].split(u'|');
            for (int col = 0; col < cells.size(); ++col)
                grid.setCell(col, r + 1, cells[col]);
        }
    }
    QString cell(int row, const QString& header) const { return grid.cell(int(headers.indexOf(header)), row); }
    // Texts of "Zw.Zeit" to "Platz".
    QString results(int row) const {
        QStringList s;
        for (int col = 4; col < 10; ++col)
            s << grid.cell(col, row);
        return s.join(u'|');
    }
    void key(qint64 ms, void (RunController::*command)()) {
        now = at(ms);
        (c.*command)();
    }
    QString lower() const {
        QString s;
        for (DigitId id :
             {DigitId::Digit1, DigitId::Digit2, DigitId::Digit3, DigitId::Digit0, DigitId::Digit10, DigitId::Digit20})
            s += display.digit(id).visible ? QString::number(display.digit(id).value) : QStringLiteral("_");
        return s;
    }
    QString upper() const {
        QString s;
        for (DigitId id : {DigitId::Digit10M, DigitId::Digit4, DigitId::Digit5, DigitId::Digit6, DigitId::Digit7,
                           DigitId::Digit8, DigitId::Digit9})
            s += QString::number(display.digit(id).value);
        return s;
    }
    QString visibleIcons() const {
        QString s;
        for (Barrier b : allBarriers)
            s += c.icon(b).powered ? QString::number(int(b) + 1) : QStringLiteral("-");
        return s;
    }
    QString icons() const {
        QString s;
        for (Barrier b : allBarriers)
            s += QString::number(c.icon(b).picture);
        return s + u'/' + QString::number(c.startBarrierOn()) + QString::number(c.finishBarrierOn());
    }
    // The names of the run's open gates in the order of the state table.
    QString gates() const {
        const std::pair<const char*, bool> g[] = {{"cbFreigabe", c.cbFreigabe()},
                                                  {"mStart", c.mStartEnabled()},
                                                  {"bStart", c.button(RunButton::bStart).Enabled},
                                                  {"mStop", c.mStopEnabled()},
                                                  {"bStop", c.button(RunButton::bStop).Enabled},
                                                  {"bZwZeit", c.button(RunButton::bZwZeit).Enabled},
                                                  {"bVmax", c.button(RunButton::bVmax).Enabled},
                                                  {"bAvaria", c.button(RunButton::bAvaria).Enabled},
                                                  {"mReset", c.mResetEnabled()},
                                                  {"bReset", c.button(RunButton::bReset).Enabled},
                                                  {"clock", c.isClockRunning()}};
        QStringList open;
        for (const auto& [name, isOpen] : g) {
            if (isOpen)
                open << QString::fromLatin1(name);
        }
        return open.join(u' ');
    }
};

Settings withoutManyStart() {
    Settings s = trackSettings();
    s.ManyStart = false;
    return s;
}

} // namespace

class TestRunController : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void wholeRaceFromTheBarriers() {
        Rig rig(withoutManyStart());
        rig.rows({"1|Anna|Golf|A", "2|Bert", "3|Carl"});
        QSignalSpy backups(&rig.c, &RunController::backupRequested);
        QSignalSpy handGiven(&rig.c, &RunController::handGivenRun);

        rig.key(0, &RunController::mFreigabe1Click); // F4
        QCOMPARE(rig.c.state(), RunState::Armed);
        QCOMPARE(rig.port.calls, QStringList({"close", "open none"}));
        QVERIFY(rig.port.lampLit());
        QCOMPARE(rig.visibleIcons(), QStringLiteral("12--"));
        QCOMPARE(rig.c.lightState(), 1);

        rig.now = at(999'999); // the barrier stamps count, not the time of handling
        rig.port.pass(0, at(1000));
        QCOMPARE(rig.c.state(), RunState::RunningSplitPending);
        QCOMPARE(rig.c.startStamp(), taken(at(1000)));
        QVERIFY(rig.c.isLockoutRunning());
        QCOMPARE(rig.cell(1, "Zw.Zeit"), QStringLiteral("-"));
        // The lower panel shows the split during the run, and its caption says so.
        QCOMPARE(rig.display.LabelTime2(), QStringLiteral(" Zwischen Zeit:"));
        rig.c.TimerGesperrtTimer();

        rig.now = at(2000);
        rig.c.ClockTimer();
        QCOMPARE(rig.upper(), QStringLiteral("0001000")); // 1,0 s running, last places held at 0

        rig.port.pass(1, at(3345));
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        QCOMPARE(rig.lower(), QStringLiteral("__2345"));
        QCOMPARE(rig.display.LabelTime2(), QStringLiteral(" Zwischen Zeit:"));
        // The reopen waits for its timer: never inside the barrier event.
        QVERIFY(rig.c.isReOpenPending());
        QVERIFY(rig.port.lampLit());
        rig.c.TimerReOpenTimer();
        QVERIFY(rig.port.rts());
        QVERIFY(!rig.port.lampLit());
        QCOMPARE(rig.visibleIcons(), QStringLiteral("1234"));

        rig.port.pass(2, at(10000));
        QCOMPARE(rig.c.state(), RunState::RunningInTrap);
        rig.port.beams({{3, true}}, at(10280));
        QCOMPARE(rig.c.state(), RunState::Finished);
        QVERIFY(rig.c.isLockoutRunning());
        QVERIFY(rig.c.isClosePending());
        QVERIFY(rig.port.connected);
        // The finish disarms the track: the release box says so at once, the port closes after.
        QVERIFY(!rig.c.cbFreigabe());
        rig.c.TimerCloseTimer();
        QVERIFY(!rig.port.connected);

        QCOMPARE(rig.cell(1, "Nr."), QStringLiteral("1"));
        QCOMPARE(rig.cell(1, "Name"), QStringLiteral("Anna"));
        QCOMPARE(rig.results(1), QStringLiteral("2,345|38,79|128,57|0,280|9,280|1"));
        QCOMPARE(rig.upper(), QStringLiteral("0009280"));
        QCOMPARE(rig.lower(), QStringLiteral("__0280"));
        QCOMPARE(rig.display.LabelTime2(), QStringLiteral(" End-Zeit:"));
        QCOMPARE(rig.sounds, QList<RunSound>({RunSound::Start, RunSound::Split, RunSound::Vmax, RunSound::Finish}));
        QCOMPARE(backups.count(), 1);
        QCOMPARE(rig.c.lightState(), 0);
        QCOMPARE(handGiven.count(), 0); // every event from a barrier

        rig.key(12000, &RunController::mResetClick); // F9: the next starter comes up
        QCOMPARE(rig.c.state(), RunState::Idle);
        QCOMPARE(rig.c.editStartN1(), 2);
        QCOMPARE(rig.c.editStartN2(), 3);
        QCOMPARE(rig.display.LabStart1(), QStringLiteral(" Start-Nr.:2"));
        QCOMPARE(rig.display.LabNext1(), QStringLiteral("Bereit: 3 "));
        QCOMPARE(rig.grid.Row(), rig.grid.findRow(0, "2", false));
        QCOMPARE(rig.upper(), QStringLiteral("0000000"));
        QCOMPARE(rig.lower(), QStringLiteral("__0000"));
    }

    // What the icons show is what the barriers do: an icon turned Off gives no event,
    // its key still does.
    void iconsOffSilenceTheirBarriers() {
        Rig rig(withoutManyStart());
        rig.key(0, &RunController::mFreigabe1Click);
        rig.c.mLockStartLSClick(); // F11: marshals on the track
        QCOMPARE(rig.c.icon(Barrier::L1).picture, 0);
        rig.port.pass(0, at(1000));
        QCOMPARE(rig.c.state(), RunState::Armed); // no false start
        rig.c.mLockStartLSClick();
        rig.port.pass(0, at(2000));
        QCOMPARE(rig.c.state(), RunState::RunningSplitPending);
        rig.c.TimerGesperrtTimer();

        rig.c.ImageLSClick(Barrier::L2); // L2 off
        rig.port.pass(1, at(3000));
        QVERIFY(rig.c.splitPending());
        rig.key(3500, &RunController::ZwZeit1Click); // F6 gives it
        rig.c.TimerReOpenTimer();
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);

        rig.c.ImageLSClick(Barrier::L3); // L3 off
        rig.port.pass(2, at(8000));
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        rig.c.mLockStoppLSClick(); // F12: L4 off
        QCOMPARE(rig.c.icon(Barrier::L4).picture, 0);
        rig.port.pass(3, at(9000));
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        rig.key(9500, &RunController::mStopClick); // F8 still finishes
        QCOMPARE(rig.c.state(), RunState::Finished);
        QCOMPARE(rig.cell(1, "Zeit"), QStringLiteral("7,500"));
    }

    // The icons are shown while a port is chosen, powered or not.
    void iconsShownWhileAPortIsChosen() {
        Rig rig;
        rig.c.setSettings(Settings{});
        for (Barrier b : allBarriers)
            QVERIFY(rig.c.icon(b).visible && !rig.c.icon(b).powered);
        rig.port.number = 0;
        rig.c.setSettings(Settings{});
        for (Barrier b : allBarriers)
            QVERIFY(!rig.c.icon(b).visible);
    }

    // Events given by key are reported with the run's row when it finishes; the table marks
    // the cells they made.
    void handGivenEventsAreReported() {
        Rig rig(withoutManyStart());
        rig.rows({"1|Anna", "2|Bert"});
        QSignalSpy handGiven(&rig.c, &RunController::handGivenRun);
        rig.key(0, &RunController::mFreigabe1Click);
        rig.port.pass(0, at(1000)); // L1
        rig.c.TimerGesperrtTimer();
        rig.key(3000, &RunController::ZwZeit1Click); // F6: the split barrier failed
        rig.c.TimerReOpenTimer();
        rig.key(9000, &RunController::mStopClick); // F8
        QCOMPARE(handGiven.count(), 1);
        const HandGivenEvents events = handGiven.first().at(1).value<HandGivenEvents>();
        QCOMPARE(events, HandGiven::Split | HandGiven::Finish);
        QCOMPARE(rig.grid.rowOfId(handGiven.first().at(0).toULongLong()), rig.grid.findRow(colNr, "1", false));

        QVERIFY(HandGivenMarks::isMarkedCell(colZwZeit, events));
        QVERIFY(HandGivenMarks::isMarkedCell(colZeit, events));
        QVERIFY(HandGivenMarks::isMarkedCell(colEndZeit, events));
        QVERIFY(!HandGivenMarks::isMarkedCell(colName, events));
        QVERIFY(!HandGivenMarks::isMarkedCell(colZwZeit, HandGiven::Finish));
        QVERIFY(!HandGivenMarks::isMarkedCell(colVmax, HandGiven::Start | HandGiven::Split));
        QCOMPARE(HandGivenMarks::note(events), QStringLiteral("von Hand: Zw.Zeit (F6), Ziel (F8)"));

        // The next run by keys alone; F7 outside a run marks nothing.
        rig.key(10000, &RunController::mResetClick);
        rig.key(10500, &RunController::mVmaxClick);
        rig.key(11000, &RunController::mStartClick);
        rig.key(18000, &RunController::mStopClick);
        QCOMPARE(handGiven.count(), 2);
        QCOMPARE(handGiven.last().at(1).value<HandGivenEvents>(), HandGiven::Start | HandGiven::Finish);
    }

    void stateTable_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("gates");
        QTest::addColumn<RunState>("state");
        QTest::addColumn<QString>("icons");
        // gates: the open ones, in the order cbFreigabe mStart bStart mStop bStop bZwZeit bVmax bAvaria mReset bReset
        // clock icons: pictures of L1 to L4, then the On/Off states of L1 and L4
        QTest::newRow("start-up") << QStringList{} << "mStart mReset" << RunState::Idle << "0000/00";
        QTest::newRow("armed") << QStringList{"F4"} << "cbFreigabe mStart bStart mReset" << RunState::Armed
                               << "1111/01";
        QTest::newRow("running") << QStringList{"F4", "F5"} << "cbFreigabe mStop bStop bZwZeit bVmax bAvaria clock"
                                 << RunState::RunningSplitPending << "0111/01";
        QTest::newRow("split") << QStringList{"F4", "F5", "F6"} << "cbFreigabe mStop bStop bVmax bAvaria clock"
                               << RunState::RunningSplitTaken << "0011/01";
        QTest::newRow("trap") << QStringList{"F4", "F5", "F6", "F7"} << "cbFreigabe mStop bStop bAvaria clock"
                              << RunState::RunningInTrap << "0001/01";
        // The finish disarms the track: the release box is cleared with it.
        QTest::newRow("finished") << QStringList{"F4", "F5", "F6", "F7", "F8"} << "mReset bReset" << RunState::Finished
                                  << "0000/00";
        // The disarm at the end of the reset switches L4 back on.
        QTest::newRow("reset") << QStringList{"F4", "F5", "F8", "F9"} << "mStart" << RunState::Idle << "0001/01";
        QTest::newRow("accident") << QStringList{"F4", "F5", "F10"} << "mStart" << RunState::Idle << "0000/01";
        QTest::newRow("F10 while idle") << QStringList{"F10"} << "mStart" << RunState::Idle << "0000/00";
        QTest::newRow("F4 twice") << QStringList{"F4", "F4"} << "mStart mReset" << RunState::Idle << "0000/01";
        QTest::newRow("start by hand") << QStringList{"F5"} << "mStop bStop bZwZeit bVmax bAvaria clock"
                                       << RunState::RunningSplitPending << "0110/00";
        QTest::newRow("F8 before the split")
            << QStringList{"F5", "F8"} << "mReset bReset" << RunState::Finished << "0100/00";
        QTest::newRow("F9 in a run is shut") << QStringList{"F5", "F9"} << "mStop bStop bZwZeit bVmax bAvaria clock"
                                             << RunState::RunningSplitPending << "0110/00";
        QTest::newRow("F8 while idle is shut") << QStringList{"F8"} << "mStart mReset" << RunState::Idle << "0000/00";
        QTest::newRow("F7 while idle") << QStringList{"F7"} << "mStart bStop mReset" << RunState::Idle << "0001/01";
    }
    void stateTable() {
        QFETCH(QStringList, keys);
        Rig rig;
        const QHash<QString, void (RunController::*)()> commands = {
            {"F4", &RunController::mFreigabe1Click}, {"F5", &RunController::mStartClick},
            {"F6", &RunController::ZwZeit1Click},    {"F7", &RunController::mVmaxClick},
            {"F8", &RunController::mStopClick},      {"F9", &RunController::mResetClick},
            {"F10", &RunController::mAvariaClick}};
        qint64 ms = 0;
        for (const QString& k : keys)
            rig.key(ms += 1000, commands.value(k));
        QTEST(rig.gates(), "gates");
        QTEST(rig.c.state(), "state");
        QTEST(rig.icons(), "icons");
    }

    void buttonColours() {
        Rig rig;
        const ButtonLook off{false, RunColour::clBtnFace, RunColour::clBtnShadow, RunColour::clNone};
        QCOMPARE(rig.c.button(RunButton::bStop), off);
        rig.c.mStartClick();
        QCOMPARE(rig.c.button(RunButton::bStop), (ButtonLook{true, 0x0000FF, 0x9090FF, 0x0000C0}));
        QCOMPARE(rig.c.button(RunButton::bZwZeit), (ButtonLook{true, 0x01BEB0, 0x004A4A, RunColour::clNone}));
        QCOMPARE(rig.c.button(RunButton::bVmax), (ButtonLook{true, 0x0473AE, 0x002346, RunColour::clNone}));
        QCOMPARE(rig.c.button(RunButton::bAvaria), (ButtonLook{true, 0x008080, 0x00FFFF, RunColour::clNone}));
        rig.c.mStopClick();
        QCOMPARE(rig.c.button(RunButton::bReset), (ButtonLook{true, 0x808080, 0x000000, RunColour::clNone}));
        QCOMPARE(rig.c.button(RunButton::bStop), off);
        rig.c.mResetClick();
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.c.button(RunButton::bStart), (ButtonLook{true, 0x008000, 0xC0FFC0, 0x00C000}));
    }

    void disabledButtonsDoNothing() {
        Rig rig;
        rig.c.bSTARTMouseDown(); // mStart is open but bStart is not (not armed)
        QCOMPARE(rig.c.state(), RunState::Idle);
        rig.c.bAVARIAClick();
        rig.c.bResetClick();
        rig.c.bSTOPMouseDown();
        QCOMPARE(rig.c.startStamp(), notTaken);
        rig.c.mVmaxClick(); // outside a run: bStop lights up, mStop stays shut
        QVERIFY(rig.c.button(RunButton::bStop).Enabled);
        rig.c.bSTOPMouseDown();
        QCOMPARE(rig.c.finishStamp(), notTaken);
        QCOMPARE(rig.c.state(), RunState::Idle);
    }

    void keysStampFirstBarriersUseTheirStamp() {
        Rig rig;
        rig.key(100, &RunController::mFreigabe1Click);
        rig.now = at(700);
        rig.c.ComPortStart(at(500), MS_DSR_ON);
        QCOMPARE(rig.c.startStamp(), taken(at(500)));
        rig.key(1500, &RunController::ZwZeit1Click);
        QCOMPARE(rig.c.splitStamp(), taken(at(1500)));
        QCOMPARE(rig.lower(), QStringLiteral("__1000"));
    }

    void firstEventIsExamined() {
        Settings s = trackSettings();
        s.Alg[0] = 0; // L1 counts at level 0: the very first word is 0
        Rig rig(s);
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.c.lastModemStatus(), 0x55555555u);
        rig.c.ComPortStart(at(10), 0);
        QCOMPARE(rig.c.state(), RunState::RunningSplitPending);
        QCOMPARE(rig.c.lastModemStatus(), 0u);
    }

    void ctsAndRingTogetherOnlyFinish() {
        Rig rig;
        rig.c.mFreigabe1Click();
        rig.port.pass(0, at(0));
        rig.c.TimerGesperrtTimer();
        rig.port.pass(1, at(2000));
        rig.c.TimerReOpenTimer();
        rig.port.beams({{2, true}, {3, true}}, at(9000));
        QCOMPARE(rig.c.state(), RunState::Finished);
        QVERIFY(!rig.sounds.contains(RunSound::Vmax));
        QCOMPARE(rig.cell(1, "Vmax"), QStringLiteral("-"));
        QCOMPARE(rig.cell(1, "End-Zeit"), QStringLiteral("-"));
    }

    void splitBarrierWhileShutChangesNothing() {
        Rig rig;
        rig.c.mFreigabe1Click(); // armed: bZwZeit is still disabled
        rig.c.ComPortStartSpeed(at(1), MS_DSR_ON);
        QCOMPARE(rig.c.lastModemStatus(), 0x55555555u);
        QCOMPARE(rig.c.splitStamp(), notTaken);
        QVERIFY(!rig.c.isReOpenPending());
        // The same word still reaches the start handler.
        rig.c.ComPortStart(at(1), MS_DSR_ON);
        QCOMPARE(rig.c.state(), RunState::RunningSplitPending);
    }

    void unchangedWordIsIgnored() {
        Rig rig;
        rig.c.mFreigabe1Click();
        rig.c.ComPortStart(at(1), 0);
        rig.c.ComPortStart(at(2), MS_DSR_ON);
        QCOMPARE(rig.c.startStamp(), taken(at(2)));
        rig.c.TimerGesperrtTimer();
        // RLSD is at L2's active level, but the word is the one already acted on.
        rig.c.ComPortStartSpeed(at(3), MS_DSR_ON);
        QVERIFY(rig.c.splitPending());
    }

    void startRow_data() {
        QTest::addColumn<bool>("manyStart");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("startNumber");
        QTest::addColumn<int>("runRow");
        QTest::addColumn<int>("rowCount");
        QTest::newRow("empty protocol") << false << QStringList{""} << 1 << 1 << 2;
        QTest::newRow("empty protocol, many starts") << true << QStringList{""} << 1 << 1 << 2;
        QTest::newRow("no row yet") << false << QStringList{"1|Anna"} << 7 << 2 << 3;
        QTest::newRow("own row reused") << false << QStringList{"1|Anna", "7|Gus|||2,000|40,00|-|-|9,000|1"} << 7 << 2
                                        << 3;
        QTest::newRow("many starts append") << true << QStringList{"7|Gus|Kart|B|-|40,00|-|-|9,000|1"} << 7 << 2 << 3;
        QTest::newRow("empty last row used")
            << true << QStringList{"7|Gus|Kart|B|-|40,00|-|-|9,000|1", ""} << 7 << 2 << 3;
        // A start list (names, no results): the number's first run fills its row.
        QTest::newRow("start list row filled") << true << QStringList{"3|Carl", "7|Gus", "9|Ida"} << 7 << 2 << 4;
        QTest::newRow("start list row after an accident")
            << true << QStringList{"7|Gus|Kart|B|-|-|-|-|-|-", "7|Gus"} << 7 << 2 << 3;
    }
    void startRow() {
        QFETCH(bool, manyStart);
        QFETCH(int, runRow);
        Settings s = trackSettings();
        s.ManyStart = manyStart;
        Rig rig(s);
        QFETCH(QStringList, rows);
        QFETCH(int, startNumber);
        rig.rows(rows);
        rig.c.setEditStartN1(startNumber);
        rig.key(0, &RunController::mStartClick);
        QTEST(rig.grid.RowCount(), "rowCount");
        QCOMPARE(rig.cell(runRow, "Nr."), QString::number(startNumber));
        QCOMPARE(rig.cell(runRow, "Zw.Zeit"), QStringLiteral("-"));
        QCOMPARE(rig.grid.Row(), runRow);
        rig.key(8000, &RunController::mStopClick);
        const int row = rig.grid.findRow(8, "8,000", false);
        QVERIFY(row >= 1);
        QCOMPARE(rig.results(row), QStringLiteral("-|45,00|-|-|8,000|1"));
    }

    // A loaded start list over two rounds: each number's first run fills its row, F9 goes
    // down the list, and a run after an accident keeps the driver's real names.
    void manyStartStartListOverTwoRounds() {
        Rig rig;
        rig.rows({"1|Anna|Golf|A", "2|Bert|Polo|B", "3|Carl|Kart|C"});
        qint64 t = 0;
        const auto run = [&](int ms) {
            rig.key(t, &RunController::mStartClick);
            rig.key(t + ms, &RunController::mStopClick);
            t += 100000;
            rig.c.mResetClick();
        };
        run(9000);
        QCOMPARE(rig.grid.RowCount(), 4);
        QCOMPARE(std::make_pair(rig.c.editStartN1(), rig.c.editStartN2()), std::make_pair(2, 3));
        run(8000);
        QCOMPARE(rig.c.editStartN1(), 3);
        run(7000);
        QCOMPARE(rig.grid.RowCount(), 4); // every start-list row has its time
        QStringList ranked;
        for (int row = 1; row < rig.grid.RowCount(); ++row)
            ranked << rig.cell(row, "Nr.") + u':' + rig.cell(row, "Platz");
        QCOMPARE(ranked, (QStringList{"3:1", "2:2", "1:3"}));

        // Round two: Anna's run ends in an accident, her next run is placed under her name.
        rig.c.setEditStartN1(1);
        rig.key(t, &RunController::mStartClick);
        rig.c.mAvariaClick();
        QCOMPARE(rig.grid.RowCount(), 5);
        rig.key(t + 1000, &RunController::mStartClick);
        rig.key(t + 7500, &RunController::mStopClick);
        const int again = rig.grid.findRow(colZeit, "6,500", false);
        QCOMPARE(rig.grid.rowCells(again).mid(0, 4), (QStringList{"1", "Anna", "Golf", "A"}));
        QCOMPARE(rig.cell(again, "Platz"), QStringLiteral("1"));
    }

    // Bert drove under Anna's number; "Nr. ändern" gives the run to Bert, whose start-list row
    // stays empty. F9 then offers Carl and Anna, not Bert a second time in the round.
    void nextStarterAfterANumberCorrection() {
        Rig rig;
        rig.rows({"1|Anna|Golf|A", "2|Bert|Polo|B", "3|Carl|Kart|C"});
        rig.c.setEditStartN1(1);
        rig.key(0, &RunController::mStartClick);
        rig.key(9000, &RunController::mStopClick);
        rig.c.mResetClick();
        const int run = rig.grid.findRow(colZeit, "9,000", false);
        QVERIFY(changeStartNumber(rig.grid, run, 2));
        QCOMPARE(rig.grid.rowCells(run).mid(0, 4), (QStringList{"2", "Bert", "Polo", "B"}));
        rig.c.pickNextStarter();
        QCOMPARE(std::make_pair(rig.c.editStartN1(), rig.c.editStartN2()), std::make_pair(3, 1));
        QCOMPARE(rig.cell(rig.grid.Row(), "Name"), QStringLiteral("Carl"));
    }

    void manyStartCopiesTheCompetitor() {
        Rig rig;
        rig.rows({"7|Gus|Kart|B|-|40,00|-|-|9,000|1"});
        rig.c.setEditStartN1(7);
        rig.key(0, &RunController::mStartClick);
        rig.key(8000, &RunController::mStopClick);
        QCOMPARE(rig.grid.RowCount(), 3);
        const int row = rig.grid.findRow(8, "8,000", false);
        QCOMPARE(rig.grid.rowCells(row).mid(0, 4), QStringList({"7", "Gus", "Kart", "B"}));
        QCOMPARE(rig.cell(row, "Platz"), QStringLiteral("1"));
        QCOMPARE(rig.cell(3 - row, "Zeit"), QStringLiteral("9,000")); // the earlier run is kept
    }

    // An accident in a later round still says whose run it was: the protocol, its print and
    // the standings show the driver, not "-" for the name, vehicle and group.
    void manyStartAccidentKeepsTheCompetitor() {
        Rig rig;
        rig.rows({"7|Gus|Kart|B|-|40,00|-|-|9,000|1", "8|Ida|Polo|A"});
        rig.c.setEditStartN1(7);
        rig.key(0, &RunController::mStartClick);
        rig.key(1500, &RunController::ZwZeit1Click);
        rig.c.mAvariaClick();
        QCOMPARE(rig.grid.RowCount(), 4);
        int accident = -1;
        for (int row = 1; row < rig.grid.RowCount(); ++row) {
            if (rig.cell(row, "Nr.") == u"7" && rig.cell(row, "Zeit") == u"-")
                accident = row;
        }
        QVERIFY(accident >= 1);
        QCOMPARE(rig.grid.rowCells(accident), (QStringList{"7", "Gus", "Kart", "B", "-", "-", "-", "-", "-", "-"}));
        // A number that has no real names anywhere keeps the "-" markers.
        rig.c.setEditStartN1(9);
        rig.key(100000, &RunController::mStartClick);
        rig.c.mAvariaClick();
        const int unknown = rig.grid.findRow(colNr, "9", false);
        QCOMPARE(rig.grid.rowCells(unknown).mid(0, 4), (QStringList{"9", "-", "-", "-"}));
    }

    void manyStartRowMovedOrLostDuringTheRun() {
        Rig rig;
        rig.rows({"7|Gus|Kart|B|-|40,00|-|-|9,000|1"});
        rig.c.setEditStartN1(7);
        rig.key(0, &RunController::mStartClick);
        // A header click during the run puts the unfinished row on top.
        const auto sortStyle = rig.grid.OnGetSortStyle;
        rig.grid.OnGetSortStyle = [](int, TSortStyle& style) { style = ssNormal; };
        rig.grid.sortByColumn(8);
        rig.grid.OnGetSortStyle = sortStyle;
        QCOMPARE(rig.cell(1, "Zeit"), QString());
        rig.key(8000, &RunController::mStopClick);
        QVERIFY(rig.grid.findRow(8, "9,000", false) >= 1);
        QVERIFY(rig.grid.findRow(8, "8,000", false) >= 1);

        // The protocol cleared during a run: the result still gets a row.
        rig.c.mResetClick();
        rig.c.setEditStartN1(7);
        rig.key(10000, &RunController::mStartClick);
        rig.grid.setRowCount(2);
        rig.grid.clearRow(1);
        QSignalSpy buttons(&rig.c, &RunController::protocolButtonsUpdateRequested);
        rig.key(15000, &RunController::mStopClick);
        QCOMPARE(rig.cell(1, "Nr."), QStringLiteral("7"));
        QCOMPARE(rig.cell(1, "Zeit"), QStringLiteral("5,000"));
        QCOMPARE(buttons.count(), 1); // the recreated row can be saved at once
    }

    // The second run of number 5 owns the row its start wrote, not the row of its first run.
    void manyStartRunKeepsItsRow_data() {
        QTest::addColumn<int>("change"); // 0 Name sorted, 1 Zw.Zeit sorted, 2 row removed, 3 load
        QTest::addColumn<bool>("accident");
        QTest::addColumn<QStringList>("rowsOf5"); // "Nr.|Name|Fahrzeug|Gruppe|Zeit" afterwards, sorted
        const QString first = QStringLiteral("5|Eva|Golf|A|9,000");
        QTest::newRow("Name") << 0 << false << QStringList{first, "5|Eva|Golf|B|8,000"};
        QTest::newRow("Zw.Zeit, accident") << 1 << true << QStringList{first, "5|Eva|Golf|B|-"};
        QTest::newRow("removal") << 2 << false << QStringList{first, "5|Eva|Golf|B|8,000"};
        // The loaded list's row of 5 has no result yet: the run's result fills it.
        QTest::newRow("load: row gone") << 3 << false << QStringList{"5|Eva|Golf|A|8,000"};
        QTest::newRow("load, accident") << 3 << true << QStringList{"5|Eva|Golf|A|-"};
    }
    void manyStartRunKeepsItsRow() {
        QFETCH(int, change);
        QFETCH(bool, accident);
        Rig rig;
        rig.rows({"5|Eva|Golf|A|-|40,00|-|-|9,000|1", "1|Bo"});
        rig.c.setEditStartN1(5);
        rig.key(0, &RunController::mStartClick);
        rig.grid.setCell(colGruppe, 3, "B"); // typed during the run
        rig.grid.SortOptions().SortCol = change == 1 ? colZwZeit : colName;
        if (change == 2)
            rig.grid.deleteRow(2);
        if (change == 3)
            setProtocolRowsFromText(rig.grid, "5\tEva\tGolf\tA\n");
        rankProtocol(rig.grid, true, "5"); // sorts as a header click would
        accident ? rig.c.mAvariaClick() : rig.key(8000, &RunController::mStopClick);
        QStringList rows;
        for (int r = 1; r < rig.grid.RowCount(); ++r) {
            if (rig.cell(r, "Nr.") == u"5")
                rows << rig.grid.rowCells(r).mid(0, 4).join(u'|') + u'|' + rig.cell(r, "Zeit");
        }
        rows.sort();
        QTEST(rows, "rowsOf5");
    }

    void startNumberChangedDuringTheRun_data() {
        QTest::addColumn<bool>("manyStart");
        QTest::newRow("one row per number") << false;
        QTest::newRow("many starts") << true;
    }
    void startNumberChangedDuringTheRun() {
        QFETCH(bool, manyStart);
        Settings s = trackSettings();
        s.ManyStart = manyStart;
        Rig rig(s);
        rig.rows({"1|Anna", "2|Bert"});
        rig.key(0, &RunController::mStartClick);
        // A protocol load during the run sets the field to its first row's number.
        rig.c.setEditStartN1(2);
        rig.key(8000, &RunController::mStopClick);
        const int row = rig.grid.findRow(8, "8,000", false);
        QCOMPARE(rig.grid.rowCells(row).mid(0, 2), QStringList({"1", "Anna"}));
        QCOMPARE(rig.cell(rig.grid.findRow(0, "2", false), "Zeit"), QString());

        rig.c.mResetClick();
        rig.c.setEditStartN1(2);
        rig.key(9000, &RunController::mStartClick);
        rig.c.setEditStartN1(1);
        rig.c.mAvariaClick();
        QStringList accidents;
        for (int r = 1; r < rig.grid.RowCount(); ++r) {
            if (rig.cell(r, "Zeit") == u"-")
                accidents << rig.cell(r, "Nr.");
        }
        QCOMPARE(accidents, QStringList({"2"}));
    }

    // A protocol load during a run sets the start number to the loaded first row; the page
    // still shows the run under its own number, with its name, time and rank.
    void liveSnapshotShowsTheRunsOwnResult() {
        Rig rig;
        rig.rows({"1|Anna|||-|40,00|-|-|9,000|1", "2|Bert"});
        rig.key(0, &RunController::mStartClick);
        LiveSnapshot running = liveSnapshotOf(rig.c, rig.grid, at(1500), 100'000);
        QVERIFY(running.running);
        QCOMPARE(running.startedAt, qint64(100'000 - 1500));
        QVERIFY(!running.hasLast);

        setProtocolRowsFromText(rig.grid, "2\tBert\n1\tAnna\t\t\t-\t40,00\t-\t-\t9,000\t1\n");
        rig.c.setEditStartN1(2);
        rig.key(8000, &RunController::mStopClick);
        const LiveSnapshot s = liveSnapshotOf(rig.c, rig.grid, at(9000), 200'000);
        QVERIFY(!s.running);
        QCOMPARE(s.finalMs, 8000);
        QCOMPARE(s.startNr, QStringLiteral("2"));
        QVERIFY(s.hasLast);
        QCOMPARE(s.last.nr, QStringLiteral("1"));
        QCOMPARE(s.last.name, QStringLiteral("Anna"));
        QCOMPARE(s.last.zeit, QStringLiteral("8,000"));
        QCOMPARE(s.last.platz, QStringLiteral("1"));
        QCOMPARE(s.last.schnitt, QStringLiteral("45,00"));
        QCOMPARE(s.rows.size(), 3);

        // The last result stays through the reset and follows its row through a sort.
        rig.c.mResetClick();
        rig.grid.SortOptions().SortCol = colName;
        rankProtocol(rig.grid, true, "2");
        const LiveSnapshot after = liveSnapshotOf(rig.c, rig.grid, at(9500), 300'000);
        QCOMPARE(after.finalMs, -1);
        QCOMPARE(after.last.nr, QStringLiteral("1"));
        QCOMPARE(after.last.zeit, QStringLiteral("8,000"));
        QCOMPARE(after.last.name, QStringLiteral("Anna"));
    }

    void splitOutsideARun() {
        Rig rig;
        rig.c.mFreigabe1Click();
        rig.c.ZwZeit1Click();
        QCOMPARE(rig.c.splitStamp(), notTaken);
        QVERIFY(rig.sounds.isEmpty());
        QVERIFY(!rig.c.button(RunButton::bZwZeit).Enabled);
        QVERIFY(rig.c.button(RunButton::bVmax).Enabled);
        QVERIFY(rig.port.lampLit()); // not before the timer
        rig.c.TimerReOpenTimer();
        QCOMPARE(rig.port.calls.mid(2), QStringList({"close", "open rtscts"}));
        // Not armed: the port is only closed.
        rig.c.mFreigabe1Click();
        rig.port.calls.clear();
        rig.c.ZwZeit1Click();
        rig.c.TimerReOpenTimer();
        QCOMPARE(rig.port.calls, QStringList({"close"}));
    }

    // F7 between a reset and the next start sounds, but the run that follows times its
    // speed trap from its own L3.
    void trapBetweenResetAndStartIsNoRunsTrap() {
        Rig rig(withoutManyStart());
        rig.rows({"1|Anna", "2|Bert"});
        rig.key(0, &RunController::mStartClick);
        rig.key(1000, &RunController::mStopClick);
        rig.c.mResetClick();
        QCOMPARE(rig.c.startStamp(), notTaken);
        QCOMPARE(rig.c.finishStamp(), notTaken);
        rig.sounds.clear();
        rig.key(2000, &RunController::mVmaxClick);
        QCOMPARE(rig.c.trapStamp(), notTaken);
        QCOMPARE(rig.sounds, QList<RunSound>({RunSound::Vmax}));

        rig.key(3000, &RunController::mFreigabe1Click);
        rig.port.pass(0, at(3000));
        rig.c.TimerGesperrtTimer();
        rig.port.pass(1, at(5345));
        rig.c.TimerReOpenTimer();
        rig.port.pass(2, at(12000));
        rig.port.beams({{3, true}}, at(12280));
        QCOMPARE(rig.c.state(), RunState::Finished);
        QCOMPARE(rig.c.trapMs(), std::optional<qint32>(280));
        const int row = rig.grid.findRow(0, "2", false);
        QCOMPARE(rig.cell(row, "End-Zeit"), QStringLiteral("0,280"));
        QCOMPARE(rig.cell(row, "Vmax"), QStringLiteral("128,57"));
        QCOMPARE(rig.cell(row, "Zeit"), QStringLiteral("9,280"));
    }

    // Without L3 the run has no trap time, whatever F7 did before its start.
    void trapBeforeTheStartIsNotCarried() {
        Rig rig;
        rig.key(1000, &RunController::mVmaxClick);
        rig.key(2000, &RunController::mStartClick);
        rig.key(6000, &RunController::mStopClick);
        QCOMPARE(rig.c.trapMs(), std::optional<qint32>());
        QCOMPARE(rig.cell(1, "Vmax"), QStringLiteral("-"));
        QCOMPARE(rig.cell(1, "End-Zeit"), QStringLiteral("-"));
    }

    void noSplitBarrier() {
        Settings s = trackSettings();
        s.LuchZwZeit = false;
        Rig rig(s);
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.visibleIcons(), QStringLiteral("1---"));
        rig.port.beams({{0, true}}, at(0));
        QVERIFY(!rig.c.splitPending());
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        QCOMPARE(rig.sounds, QList<RunSound>({RunSound::Start, RunSound::Split}));
        QVERIFY(rig.c.isReOpenPending());
        rig.c.TimerReOpenTimer();
        rig.c.TimerGesperrtTimer();
        rig.port.beams({{3, true}}, at(7000));
        QCOMPARE(rig.cell(1, "Zw.Zeit"), QStringLiteral("-"));
        QCOMPARE(rig.cell(1, "Zeit"), QStringLiteral("7,000"));
    }

    void finishPanel_data() {
        QTest::addColumn<int>("param2");
        QTest::addColumn<bool>("trap");
        QTest::addColumn<QString>("lower");
        QTest::addColumn<QString>("caption");
        QTest::newRow("end time") << 0 << true << "__0280"
                                  << " End-Zeit:";
        QTest::newRow("vmax") << 1 << true << "12857_"
                              << " Max. End-Geschwindigkeit:";
        QTest::newRow("average") << 2 << true << "_3879_"
                                 << " Durchschnittsgeschwindigkeit:";
        QTest::newRow("end time, no trap") << 0 << false << "_3879_"
                                           << " Durchschnittsgeschwindigkeit:";
        QTest::newRow("vmax, no trap") << 1 << false << "_3879_"
                                       << " Durchschnittsgeschwindigkeit:";
    }
    void finishPanel() {
        QFETCH(bool, trap);
        Rig rig;
        QFETCH(int, param2);
        rig.c.setParam2(param2);
        rig.key(0, &RunController::mStartClick);
        if (trap)
            rig.key(9000, &RunController::mVmaxClick);
        rig.key(9280, &RunController::mStopClick);
        QTEST(rig.lower(), "lower");
        QTEST(rig.display.LabelTime2(), "caption");
        QCOMPARE(rig.cell(1, "Zw.Zeit"), QStringLiteral("-"));
        QCOMPARE(rig.cell(1, "Vmax"), trap ? QStringLiteral("128,57") : QStringLiteral("-"));
        rig.c.mResetClick();
        QVERIFY(rig.display.digit(DigitId::Digit20).visible);
        QCOMPARE(rig.display.LabelTime2(), QString());
    }

    void zeroTotalTime() {
        Rig rig;
        rig.c.setParam2(1);
        rig.key(0, &RunController::mStartClick);
        rig.key(0, &RunController::mVmaxClick);
        rig.key(0, &RunController::mStopClick);
        QCOMPARE(rig.results(1), QStringLiteral("-|-|-|-|0,000|1"));
        QCOMPARE(rig.lower(), QStringLiteral("__000_"));
        QCOMPARE(rig.upper(), QStringLiteral("0000000"));
    }

    void nextStarter_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("n1");
        QTest::addColumn<int>("n2");
        QTest::addColumn<int>("current");
        QTest::newRow("skips a bad number") << QStringList{"1||||||||9,000", "x", "7", "8"} << 7 << 8 << 3;
        QTest::newRow("last row has no row below") << QStringList{"1||||||||9,000", "5"} << 5 << 2 << 2;
        QTest::newRow("below not a number") << QStringList{"1||||||||9,000", "4", ""} << 4 << 2 << 2;
        QTest::newRow("below not a number goes on") << QStringList{"1||||||||9,000", "4", "x", "6", "9"} << 6 << 9 << 4;
        // Nobody left without a time: "Bereit" comes up, and the number after it.
        QTest::newRow("all timed") << QStringList{"1||||||||9,000", "3||||||||8,000"} << 2 << 3 << -1;
        QTest::newRow("clamped") << QStringList{"1||||||||9,000", "0", "12345"} << 1 << 9999 << 2;
        // A number with a time is neither offered nor named "Bereit" from an empty row of its own.
        QTest::newRow("empty row of a timed number") << QStringList{"4||||||||9,000", "4", "5", "6"} << 5 << 6 << 3;
        QTest::newRow("timed number below") << QStringList{"1||||||||9,000", "3", "1", "5"} << 3 << 5 << 2;
    }
    void nextStarter() {
        Rig rig(withoutManyStart());
        rig.key(0, &RunController::mStartClick);
        rig.key(9000, &RunController::mStopClick);
        QFETCH(QStringList, rows);
        rig.rows(rows);
        rig.grid.setRow(1);
        rig.c.mResetClick();
        QTEST(rig.c.editStartN1(), "n1");
        QTEST(rig.c.editStartN2(), "n2");
        QFETCH(int, current);
        if (current > 0)
            QCOMPARE(rig.grid.Row(), current);
    }

    // The last starter of a list leaves "Bereit" at its own number (no row below it); after
    // that run the proposal is the number after it, not the driver who has just finished.
    void endOfTheListDoesNotOfferTheLastStarterAgain() {
        Rig rig(withoutManyStart());
        rig.rows({"1|Anna", "2|Bert", "3|Carl"});
        rig.c.setEditStartN1(1);
        for (int run = 0; run < 3; ++run) {
            rig.key(100000 * run, &RunController::mStartClick);
            rig.key(100000 * run + 5000 + run, &RunController::mStopClick);
            rig.c.mResetClick();
        }
        QCOMPARE(std::make_pair(rig.c.editStartN1(), rig.c.editStartN2()), std::make_pair(4, 5));
    }

    // What an observer (the journal) hears: every event once, after the step, with the barrier
    // or key that gave it, the stamps and the run's row as the step left it.
    void eventReports() {
        Rig rig(withoutManyStart());
        rig.rows({"7|Vera", "3|Bert|||||||4,000|1"});
        rig.c.setEditStartN1(7);
        QList<RunEventReport> reports;
        rig.c.setEventSink([&](const RunEventReport& r) { reports << r; });
        rig.c.mFreigabe1Click();
        rig.port.pass(0, at(0));
        rig.key(2345, &RunController::ZwZeit1Click);
        rig.c.TimerReOpenTimer();
        rig.c.TimerGesperrtTimer();
        rig.port.pass(2, at(9000));
        rig.key(9500, &RunController::mVmaxClick); // a second trap entry by key replaces the first
        rig.port.beams({{3, true}}, at(9800));
        QCOMPARE(rig.c.state(), RunState::Finished);
        rig.key(9900, &RunController::mVmaxClick); // after the finish: no run's event

        QStringList seen;
        for (const RunEventReport& r : reports)
            seen << QStringLiteral("%1 %2 %3").arg(int(r.kind)).arg(r.source).arg((r.stamp - t0) / countsPerMs);
        QCOMPARE(seen, QStringList({"0 L1 0", "1 F6 2345", "2 L3 9000", "2 F7 9500", "3 L4 9800"}));
        const RunEventReport& finish = reports.last();
        QCOMPARE(finish.startNumber, QStringLiteral("7"));
        QCOMPARE(finish.startStamp, at(0));
        QCOMPARE(finish.splitStamp, at(2345));
        QCOMPARE(finish.trapStamp, at(9500));
        QCOMPARE(finish.finishStamp, at(9800));
        // Ranked first by now: the report follows the row, not its old position.
        QCOMPARE(finish.row, 2);
        QCOMPARE(finish.cells.value(colNr), QStringLiteral("7"));
        QCOMPARE(finish.cells.value(colZeit), QStringLiteral("9,800"));

        rig.c.mResetClick();
        rig.c.setEditStartN1(3);
        rig.key(20000, &RunController::mStartClick);
        rig.c.mAvariaClick();
        QCOMPARE(reports.size(), 7);
        QCOMPARE(reports.at(5).source, QStringLiteral("F5"));
        const RunEventReport& accident = reports.last();
        QCOMPARE(accident.kind, RunEventKind::Accident);
        QCOMPARE(accident.source, QStringLiteral("F10"));
        QCOMPARE(accident.startNumber, QStringLiteral("3"));
        QCOMPARE(accident.cells.value(colNr), QStringLiteral("3"));
        QCOMPARE(accident.cells.value(colFahrzeug), QStringLiteral("-")); // marked before the report
    }

    void accidentMarksTheRowAndKeepsNumbers() {
        Rig rig(withoutManyStart());
        rig.rows({"1|Anna||||||||", "2|Bert|||-|40,00|-|-|9,000|1", "3"});
        rig.c.mFreigabe1Click();
        rig.port.pass(0, at(0));
        QSignalSpy backups(&rig.c, &RunController::backupRequested);
        rig.port.calls.clear();
        rig.c.mAvariaClick();
        QCOMPARE(rig.port.calls.first(), QStringLiteral("close")); // at once, no timer
        QVERIFY(!rig.port.connected);
        const int row = rig.grid.findRow(0, "1", false);
        QCOMPARE(rig.grid.rowCells(row), QStringList({"1", "Anna", "-", "-", "-", "-", "-", "-", "-", "-"}));
        QCOMPARE(rig.cell(rig.grid.findRow(0, "2", false), "Platz"), QStringLiteral("1"));
        QCOMPARE(rig.c.editStartN1(), 1);
        QCOMPARE(rig.c.editStartN2(), 2);
        QCOMPARE(rig.c.state(), RunState::Idle);
        QVERIFY(rig.c.editStartN1Enabled());
        QCOMPARE(backups.count(), 1);
    }

    void accidentWithManyStartMarksTheRunsRow() {
        Rig rig;
        rig.rows({"1|Anna|||-|40,00|-|-|9,000|1"});
        rig.key(0, &RunController::mStartClick);
        rig.c.mAvariaClick();
        QCOMPARE(rig.results(2), QStringLiteral("-|-|-|-|-|-"));
        QCOMPARE(rig.results(1), QStringLiteral("-|40,00|-|-|9,000|1"));
        rig.c.mAvariaClick(); // outside a run no row is the run's
        QCOMPARE(rig.grid.rowCells(1).mid(0, 4), QStringList({"1", "Anna", "", ""}));
    }

    // F4 twice while the car is on the track powers every barrier but never lights the start
    // lamp; "Licht" shows the real lamp, which goes out at the split's reopen.
    void reArmingMidRunKeepsTheLampDark() {
        Rig rig;
        rig.c.mFreigabe1Click();
        QVERIFY(rig.port.lampLit());
        QCOMPARE(rig.c.lightState(), 1);
        rig.port.pass(0, at(0));
        rig.c.TimerGesperrtTimer();
        rig.c.mFreigabe1Click();
        rig.c.mFreigabe1Click();
        QVERIFY(rig.port.connected);
        QVERIFY(!rig.port.lampLit());
        QCOMPARE(rig.c.lightState(), 0);
        QVERIFY(!rig.c.button(RunButton::bStart).Enabled);
        rig.port.pass(1, at(2000));
        rig.c.TimerReOpenTimer();
        QVERIFY(!rig.port.lampLit());
        rig.port.pass(2, at(9000));
        rig.port.beams({{3, true}}, at(9280));
        QCOMPARE(rig.c.state(), RunState::Finished);
        QCOMPARE(rig.cell(1, "Vmax"), QStringLiteral("128,57"));
        QVERIFY(!rig.port.lampLit());

        // An ordinary run: the lamp and its picture go out when the split reopens the port.
        rig.c.mResetClick();
        rig.c.mFreigabe1Click();
        rig.port.pass(0, at(20000));
        QCOMPARE(rig.c.lightState(), 1);
        rig.port.pass(1, at(22000));
        rig.c.TimerReOpenTimer();
        QVERIFY(!rig.port.lampLit());
        QCOMPARE(rig.c.lightState(), 0);
    }

    void disarmDuringARun() {
        Rig rig;
        rig.c.mFreigabe1Click();
        rig.port.pass(0, at(0));
        rig.c.mFreigabe1Click(); // unchecked: closed at once
        QVERIFY(!rig.port.connected);
        QCOMPARE(rig.c.state(), RunState::RunningSplitPending);
        rig.port.pass(1, at(2000)); // dead: nothing reports
        QVERIFY(rig.c.splitPending());
        rig.key(2500, &RunController::ZwZeit1Click);
        rig.c.TimerReOpenTimer();
        QVERIFY(!rig.port.connected); // no reopen without the release
        rig.key(9000, &RunController::mStopClick);
        QCOMPARE(rig.cell(1, "Zw.Zeit"), QStringLiteral("2,500"));
    }

    void startByHandWhileNotArmed() {
        Rig rig;
        rig.c.ComPortStart(at(0), MS_DSR_ON); // not armed: ignored
        QCOMPARE(rig.c.state(), RunState::Idle);
        rig.key(100, &RunController::mStartClick);
        QCOMPARE(rig.c.state(), RunState::RunningSplitPending);
        QVERIFY(rig.port.calls.isEmpty());
        rig.c.ComPortStart(at(200), 0);
        rig.c.ComPortStart(at(300), MS_DSR_ON);
        QCOMPARE(rig.c.startStamp(), taken(at(100)));
        QVERIFY(!rig.c.isLockoutRunning()); // a start by key has no lock-out
    }

    void lockoutEnd_data() {
        QTest::addColumn<int>("waitStart");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("finishBarrierOn");
        QTest::newRow("0") << 0 << 200 << 0;
        // A start lock-out of the official's own length is one, whatever its length.
        QTest::newRow("200") << 200 << 200 << 1;
        QTest::newRow("350") << 350 << 350 << 1;
    }
    void lockoutEnd() {
        Settings s = trackSettings();
        QFETCH(int, waitStart);
        s.WaitStart = waitStart;
        Rig rig(s);
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.c.finishBarrierOn(), 1); // arming switches L4 on
        rig.c.mLockStoppLSClick();            // F12: off
        rig.port.beams({{0, true}}, at(0));
        QVERIFY(rig.c.isLockoutRunning());
        QTEST(rig.c.lockoutInterval(), "interval");
        // While it runs, a speed-trap edge is ignored.
        rig.c.ComPortFinishSpeed(at(10), MS_DSR_ON);
        QCOMPARE(rig.c.trapStamp(), notTaken);
        rig.c.TimerGesperrtTimer();
        QVERIFY(!rig.c.isLockoutRunning());
        QTEST(rig.c.finishBarrierOn(), "finishBarrierOn");
        QCOMPARE(rig.c.lockoutInterval(), RunController::lockoutTag);
        // The stamps judge: an edge from inside the lock-out that is handled after the timer
        // is still ignored, the first one after it is taken.
        QFETCH(int, interval);
        rig.c.ComPortFinishSpeed(at(interval - 1), 0);
        QCOMPARE(rig.c.trapStamp(), notTaken);
        rig.c.ComPortFinishSpeed(at(interval), MS_DSR_ON);
        QCOMPARE(rig.c.trapStamp(), taken(at(interval)));
    }

    void lockoutJudgedByStamps() {
        // The GUI thread was held up: the lock-out timer has not yet fired when the reports of
        // the start and of L3 300 ms later are handled. L3 is outside the lock-out by its stamp.
        Rig rig;
        rig.c.mFreigabe1Click();
        rig.port.beams({{0, true}}, at(0));
        QCOMPARE(rig.c.state(), RunState::RunningSplitPending);
        QVERIFY(rig.c.isLockoutRunning());
        // CTS at L3's active level 0 in both words.
        rig.c.ComPortFinishSpeed(at(199), MS_DSR_ON);
        QCOMPARE(rig.c.trapStamp(), notTaken);
        rig.c.ComPortFinishSpeed(at(300), MS_RLSD_ON);
        QCOMPARE(rig.c.trapStamp(), taken(at(300)));
        QCOMPARE(rig.c.state(), RunState::RunningInTrap);

        // Likewise after a finish by L4: the next edges are judged from the finish's stamp.
        rig.c.ComPortStop(at(900), 0);
        QCOMPARE(rig.c.state(), RunState::Finished);
        QVERIFY(rig.c.lockedOutAt(at(1099)));
        QVERIFY(!rig.c.lockedOutAt(at(1100)));
    }

    void startLockoutEndsByTheStampsOfLaterEdges() {
        // WaitStart 350 ms with L4 switched off (F12): the end of the start lock-out switches it
        // on. The GUI thread was held up past that end: the timer has not fired yet when the
        // finish stamped after the end is handled. By the stamps the end came first.
        Settings s = trackSettings();
        s.WaitStart = 350;
        Rig rig(s);
        rig.c.mFreigabe1Click();
        rig.c.mLockStoppLSClick(); // F12: L4 off
        QCOMPARE(rig.c.finishBarrierOn(), 0);
        rig.port.pass(0, at(0));
        rig.port.pass(1, at(100));
        rig.c.TimerReOpenTimer(); // L3 and L4 powered
        QVERIFY(rig.c.isLockoutRunning());
        // An edge from inside the lock-out switches nothing on and finishes nothing.
        rig.port.beams({{3, true}}, at(349));
        rig.port.beams({{3, false}}, at(349));
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        QCOMPARE(rig.c.finishBarrierOn(), 0);
        rig.port.beams({{3, true}}, at(400));
        QCOMPARE(rig.c.state(), RunState::Finished);
        QCOMPARE(rig.c.finishStamp(), taken(at(400)));
        QVERIFY(rig.c.isLockoutRunning()); // the finish's own lock-out
        QCOMPARE(rig.c.lockoutInterval(), 200);
    }

    void finishLockoutAndFinishBarrierSwitch() {
        Rig rig;
        rig.c.mFreigabe1Click();
        rig.port.pass(0, at(0));
        rig.c.TimerGesperrtTimer();
        rig.port.pass(1, at(2000));
        rig.c.TimerReOpenTimer();
        rig.c.mLockStoppLSClick(); // L4 off: its edges are refused
        rig.port.beams({{3, true}}, at(8000));
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        rig.c.mLockStoppLSClick();
        rig.port.beams({{3, false}}, at(8100));
        rig.port.beams({{3, true}}, at(8200));
        QCOMPARE(rig.c.state(), RunState::Finished);
        QCOMPARE(rig.c.lockoutInterval(), 200);
        QVERIFY(rig.c.isLockoutRunning());
        QCOMPARE(rig.c.finishBarrierOn(), 0); // a finish switches it off
        rig.c.TimerGesperrtTimer();
        QCOMPARE(rig.c.finishBarrierOn(), 0); // a finish lock-out does not switch it on
    }

    void iconsFollowThePort() {
        Settings s = trackSettings();
        s.LuchVmax = false;
        Rig rig(s);
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.visibleIcons(), QStringLiteral("12--"));
        rig.c.ZwZeit1Click();
        rig.c.TimerReOpenTimer();
        QCOMPARE(rig.visibleIcons(), QStringLiteral("12-4"));
        s.LuchVmax = true;
        rig.c.setSettings(s);
        rig.c.updateIconsAfterSettings();
        QCOMPARE(rig.visibleIcons(), QStringLiteral("1234"));
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.visibleIcons(), QStringLiteral("----"));
        // A port that fails to open leaves the icons hidden and the track disarmed.
        rig.port.failOpen = true;
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.visibleIcons(), QStringLiteral("----"));
        QCOMPARE(rig.c.state(), RunState::Idle);
    }

    void failedOpenLeavesTheTrackDisarmed() {
        // So that one F4 tries again, instead of disarming a track whose barriers are dead.
        Rig rig;
        QSignalSpy notArmed(&rig.c, &RunController::notArmed);
        rig.port.failOpen = true;
        rig.c.mFreigabe1Click();
        QVERIFY(!rig.c.cbFreigabe());
        QCOMPARE(rig.c.state(), RunState::Idle);
        QVERIFY(!rig.c.button(RunButton::bStart).Enabled);
        QCOMPARE(rig.c.lightState(), 0);
        QCOMPARE(notArmed.count(), 1);
        rig.port.failOpen = false;
        rig.port.calls.clear();
        rig.c.mFreigabe1Click();
        QVERIFY(rig.c.cbFreigabe());
        QCOMPARE(rig.port.calls, QStringList({"close", "open none"}));
        QCOMPARE(notArmed.count(), 1);

        // The reopen after the split fails: the run goes on, the track shows disarmed.
        rig.port.pass(0, at(0));
        rig.port.failOpen = true;
        rig.port.pass(1, at(2000));
        rig.c.TimerReOpenTimer();
        QVERIFY(!rig.c.cbFreigabe());
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        QCOMPARE(notArmed.count(), 2);
        // One F4 brings L3 and L4 back for this run.
        rig.port.failOpen = false;
        rig.c.mFreigabe1Click();
        QVERIFY(rig.c.cbFreigabe());
        QVERIFY(rig.port.rts());
        rig.port.beams({{3, true}}, at(7000));
        QCOMPARE(rig.c.state(), RunState::Finished);
        QCOMPARE(rig.cell(1, "Zeit"), QStringLiteral("7,000"));
    }

    void lostPortShowsDisarmedAndOneKeyReopens() {
        Rig rig;
        rig.c.mFreigabe1Click();
        rig.port.pass(0, at(0));
        rig.port.pass(1, at(2000));
        rig.c.TimerReOpenTimer();
        QVERIFY(rig.port.rts());
        // The adapter is pulled; the window closes the port and tells the controller.
        rig.port.close();
        rig.c.portLost();
        QVERIFY(!rig.c.cbFreigabe());
        QCOMPARE(rig.c.state(), RunState::RunningSplitTaken);
        rig.port.calls.clear();
        rig.c.mFreigabe1Click();
        QVERIFY(rig.c.cbFreigabe());
        QCOMPARE(rig.port.calls, QStringList({"close", "open rtscts"}));
        QCOMPARE(rig.visibleIcons(), QStringLiteral("1234"));
    }

    void noPortIsNeverOpened() {
        Rig rig;
        rig.port.number = 0;
        rig.c.probePort();
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.port.calls, QStringList({"close"}));
    }

    void trafficLight() {
        Rig rig;
        rig.c.ImageAmpelClick();
        QCOMPARE(rig.c.lightState(), 1);
        rig.c.mFreigabe1Click(); // armed and already green: stays
        QCOMPARE(rig.c.lightState(), 1);
        rig.c.mFreigabe1Click();
        QCOMPARE(rig.c.lightState(), 0);
        Settings s = trackSettings();
        s.lightEnabled = false;
        rig.c.setSettings(s);
        rig.c.mFreigabe1Click();
        rig.c.ImageAmpelClick();
        QCOMPARE(rig.c.lightState(), 0);
    }

    void startNumbersAndCaptions() {
        Rig rig;
        QSignalSpy changes(&rig.c, &RunController::stateChanged);
        rig.c.setEditStartN1(0);
        QCOMPARE(rig.c.editStartN1(), 1);
        QCOMPARE(changes.count(), 0); // clamped to the value it had
        rig.c.setEditStartN1(12345);
        QCOMPARE(rig.display.LabStart1(), QStringLiteral(" Start-Nr.:9999"));
        rig.c.setEditStartN2(5);
        QCOMPARE(rig.display.LabNext1(), QStringLiteral("Bereit: 5 "));
        rig.c.cbParam2Change(1);
        QCOMPARE(rig.display.LabelTime2(), QStringLiteral(" Max. End-Geschwindigkeit:"));
        rig.c.setParam2(7);
        QCOMPARE(rig.c.cbParam2ItemIndex(), 0);
        rig.c.mStartClick();
        QVERIFY(!rig.c.editStartN1Enabled());
        QVERIFY(!rig.c.bCFGEnabled());
        QCOMPARE(rig.display.LabelTime2(), QStringLiteral(" Zwischen Zeit:"));
        rig.c.mStopClick();
        QVERIFY(rig.c.bCFGEnabled());
    }

    void clockRecomputesFromTheStamp() {
        Rig rig;
        rig.key(0, &RunController::mStartClick);
        rig.now = at(65432);
        rig.c.ClockTimer();
        QCOMPARE(rig.upper(), QStringLiteral("0105400"));
        QCOMPARE(rig.display.digit(DigitId::Digit8).colorOn, DisplayState::dimColour);
        rig.key(65432, &RunController::mStopClick);
        QCOMPARE(rig.upper(), QStringLiteral("0105432"));
        QCOMPARE(rig.display.digit(DigitId::Digit9).colorOn, DisplayState::runColour);
        rig.now = at(70000);
        rig.c.ClockTimer(); // stopped: a stray tick changes nothing
        QCOMPARE(rig.upper(), QStringLiteral("0105432"));
        rig.c.mResetClick();
        QCOMPARE(rig.display.digit(DigitId::Digit9).colorOn, DisplayState::dimColour);
    }
};

QTEST_GUILESS_MAIN(TestRunController)
#include "test_run_controller.moc"
