#include "platform/termination_signals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

using Handler = void (*)(int);

Handler currentHandler(int signalNumber) {
    struct sigaction action = {};
    sigaction(signalNumber, nullptr, &action);
    return action.sa_handler;
}

} // namespace

class TestTerminationSignals : public QObject {
    Q_OBJECT

private slots:
    // Whoever started the test may have left these ignored (a background job, nohup).
    void initTestCase() {
        for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction action = {};
            ::sigaction(signalNumber, nullptr, &action);
            if (action.sa_handler == SIG_IGN)
                ::signal(signalNumber, SIG_DFL);
        }
    }
    void signalBecomesQtSignal_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void signalBecomesQtSignal() {
        QFETCH(int, signalNumber);
        TerminationSignals signals_;
        QVERIFY(signals_.isActive());
        QSignalSpy spy(&signals_, &TerminationSignals::terminationRequested);
        QCOMPARE(::raise(signalNumber), 0); // the process lives on: the handler only records it
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), signalNumber);
    }

    void severalSignalsEachArrive() {
        TerminationSignals signals_;
        QSignalSpy spy(&signals_, &TerminationSignals::terminationRequested);
        ::raise(SIGTERM);
        ::raise(SIGHUP);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
        QCOMPARE(spy.at(0).at(0).toInt(), SIGTERM);
        QCOMPARE(spy.at(1).at(0).toInt(), SIGHUP);
    }

    // The handler has one socket to write to, so a second watcher would steal the first's signals.
    void onlyOneActiveAtATime() {
        TerminationSignals first;
        TerminationSignals second;
        QVERIFY(first.isActive());
        QVERIFY(!second.isActive());
    }

    void previousHandlersRestored() {
        const Handler before = currentHandler(SIGTERM); // the test library's own
        {
            TerminationSignals signals_;
            QVERIFY(currentHandler(SIGTERM) != before);
        }
        QVERIFY(currentHandler(SIGTERM) == before);
        TerminationSignals again; // the slot is free again
        QVERIFY(again.isActive());
    }

    // Started with nohup, a hang-up must not end the program.
    void ignoredSignalStaysIgnored() {
        const Handler ignore = SIG_IGN;
        const Handler before = ::signal(SIGHUP, ignore);
        {
            TerminationSignals signals_;
            QVERIFY(currentHandler(SIGHUP) == ignore);
            QSignalSpy spy(&signals_, &TerminationSignals::terminationRequested);
            ::raise(SIGHUP);
            ::raise(SIGTERM); // still caught
            QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
            QCOMPARE(spy.at(0).at(0).toInt(), SIGTERM);
        }
        QVERIFY(currentHandler(SIGHUP) == ignore);
        ::signal(SIGHUP, before);
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "test_termination_signals.moc"
