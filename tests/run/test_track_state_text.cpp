// The words status panel 2 finds for the track, and the accident the run states do not show.

#include "run/track_state_text.h"

#include <QTest>

class TestTrackStateText : public QObject {
    Q_OBJECT

private slots:
    void wordsForEveryState() {
        QCOMPARE(trackStateText(RunState::Idle, false, true), QStringLiteral("Nicht freigegeben"));
        QCOMPARE(trackStateText(RunState::Armed, false, true), QStringLiteral("Freigegeben – wartet auf den Start"));
        QCOMPARE(trackStateText(RunState::RunningSplitPending, false, true),
                 QStringLiteral("Lauf – wartet auf die Zw.Zeit"));
        QCOMPARE(trackStateText(RunState::RunningSplitTaken, false, true), QStringLiteral("Lauf – wartet auf Vmax"));
        QCOMPARE(trackStateText(RunState::RunningSplitTaken, false, false),
                 QStringLiteral("Lauf – wartet auf das Ziel"));
        QVERIFY(trackStateText(RunState::RunningInTrap, false, true).contains(QStringLiteral("Ziel")));
        QVERIFY(trackStateText(RunState::Finished, false, true).startsWith(QStringLiteral("Im Ziel")));
        QVERIFY(trackStateText(RunState::Idle, true, true).startsWith(QStringLiteral("Unfall")));
    }

    void portWords() {
        QCOMPARE(portStateText(0, false), QStringLiteral("kein Port gewählt"));
        QCOMPARE(portStateText(64, true), QStringLiteral("COM64 (Simulator) offen"));
        QCOMPARE(portStateText(17, false), QStringLiteral("COM17 (ttyUSB0) geschlossen"));
    }

    // A running run that becomes idle ended in an accident; the next arming or start ends
    // the word, a reset after a finish never says it.
    void accidentWatch() {
        AccidentWatch watch;
        QVERIFY(!watch.update(RunState::Armed));
        QVERIFY(!watch.update(RunState::RunningSplitPending));
        QVERIFY(watch.update(RunState::Idle));
        QVERIFY(watch.update(RunState::Idle));
        QVERIFY(!watch.update(RunState::Armed));
        QVERIFY(!watch.update(RunState::RunningInTrap));
        QVERIFY(!watch.update(RunState::Finished));
        QVERIFY(!watch.update(RunState::Idle));
    }
};

QTEST_GUILESS_MAIN(TestTrackStateText)
#include "test_track_state_text.moc"
