// Status panel 2: which of the things to say is shown, and for how long.

#include "app/status_line.h"

#include <QSignalSpy>
#include <QTest>

class TestStatusLine : public QObject {
    Q_OBJECT

private slots:
    void standingMessagesComeFirstOldestFirst() {
        StatusLine line(60000);
        line.setTrackState(QStringLiteral("Nicht freigegeben"), false);
        QCOMPARE(line.text(), QStringLiteral("Nicht freigegeben"));

        line.setStanding(StatusLine::Source::Backup, QStringLiteral("Sicherung unbrauchbar"), QStringLiteral("/x.bak"));
        line.setStanding(StatusLine::Source::Port, QStringLiteral("Verbindung zu COM17 unterbrochen"));
        line.setTrackState(QStringLiteral("Freigegeben"), false);
        QCOMPARE(line.text(), QStringLiteral("Sicherung unbrauchbar"));
        QCOMPARE(line.hint(), QStringLiteral("/x.bak"));
        // A note does not hide a standing message.
        line.showNote(QStringLiteral("Gespeichert: a.txt"));
        QCOMPARE(line.text(), QStringLiteral("Sicherung unbrauchbar"));

        line.setStanding(StatusLine::Source::Backup, QString());
        QCOMPARE(line.text(), QStringLiteral("Verbindung zu COM17 unterbrochen"));
        QCOMPARE(line.hint(), QString());
        line.setStanding(StatusLine::Source::Port, QString());
        QCOMPARE(line.text(), QStringLiteral("Gespeichert: a.txt"));
    }

    void noteGivesWayToTheStateAfterItsTime() {
        StatusLine line(30);
        line.setTrackState(QStringLiteral("Im Ziel"), false);
        QSignalSpy changed(&line, &StatusLine::changed);
        line.showNote(QStringLiteral("Gespeichert: Lauf.xlsx"), QStringLiteral("/stick/Lauf.xlsx"));
        QCOMPARE(line.text(), QStringLiteral("Gespeichert: Lauf.xlsx"));
        QCOMPARE(line.hint(), QStringLiteral("/stick/Lauf.xlsx"));
        QTRY_COMPARE_WITH_TIMEOUT(line.text(), QStringLiteral("Im Ziel"), 5000);
        QVERIFY(changed.size() >= 2);
    }

    void alarmEndsANoteAndIsMarked() {
        StatusLine line(60000);
        line.showNote(QStringLiteral("Gespeichert: a.txt"));
        line.setTrackState(QStringLiteral("Zw.Zeit fehlt"), true);
        QCOMPARE(line.text(), QStringLiteral("Zw.Zeit fehlt"));
        QVERIFY(line.alarm());
        // A standing message is a fault too, and comes first.
        line.setStanding(StatusLine::Source::Web, QStringLiteral("Port belegt"));
        QCOMPARE(line.text(), QStringLiteral("Port belegt"));
        QVERIFY(line.alarm());
        line.setStanding(StatusLine::Source::Web, QString());
        QVERIFY(line.alarm());
    }
};

QTEST_GUILESS_MAIN(TestStatusLine)
#include "test_status_line.moc"
