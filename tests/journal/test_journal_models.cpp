#include "journal/journal.h"
#include "journal/journal_models.h"
#include "journal/journal_reader.h"
#include "settings/settings.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime fixedNow(QDate(2026, 5, 9), QTime(14, 30, 5));

RunEventReport report(RunEventKind kind, const QString& source, qint64 stamp) {
    RunEventReport r;
    r.kind = kind;
    r.source = source;
    r.stamp = stamp;
    r.startStamp = 1000;
    r.splitStamp = kind >= RunEventKind::Split ? 3512 : 0;
    r.trapStamp = kind >= RunEventKind::Trap ? 6377 : 0;
    r.finishStamp = kind == RunEventKind::Finish ? 6890 : 0;
    r.startNumber = QStringLiteral("12");
    r.row = 3;
    r.cells = QStringList{"12", "Vera", "Golf", "A", "2,512", "61,12", "70,11", "0,513", "5,890", ""};
    return r;
}

} // namespace

// What the journal makes of the run's reports and the settings, and what the "Verlauf"
// window's tables show of it.
class TestJournalModels : public QObject {
    Q_OBJECT

private slots:
    void aRunsEventsShareTheirRunAndKeepTheirSource() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("j.sqlite"));
        {
            Journal journal({path, {}, 50, [] { return fixedNow; }});
            journal.runEvent(report(RunEventKind::Start, QStringLiteral("L1"), 1000));
            journal.runEvent(report(RunEventKind::Split, QStringLiteral("F6"), 3512));
            journal.runEvent(report(RunEventKind::Trap, QStringLiteral("L3"), 6377));
            journal.runEvent(report(RunEventKind::Finish, QStringLiteral("L4"), 6890));
            journal.runEvent(report(RunEventKind::Start, QStringLiteral("F5"), 9000));
            journal.cellEdited(3, QStringLiteral("12"), 1, QStringLiteral("Vera"), QStringLiteral("Vera K."));
            journal.runEvent(report(RunEventKind::Accident, QStringLiteral("F10"), 0));
            QCOMPARE(journal.programEnded(5000), 0);
        }
        const JournalReader reader(path);
        const QList<JournalRecord> records = reader.entriesOfNumber(QStringLiteral("12"));
        QCOMPARE(records.size(), 7);
        QStringList sources;
        for (const JournalRecord& r : records)
            sources << r.entry.source;
        QCOMPARE(sources, QStringList({"L1", "F6", "L3", "L4", "F5", "", "F10"}));
        const qint64 firstRun = records.at(0).entry.run;
        QVERIFY(firstRun != 0);
        for (int i = 1; i < 4; ++i)
            QCOMPARE(records.at(i).entry.run, firstRun);
        // The next run is another run, even when it starts in the same millisecond.
        QVERIFY(records.at(4).entry.run > firstRun);
        QCOMPARE(records.at(6).entry.run, records.at(4).entry.run);
        QCOMPARE(records.at(5).entry.run, 0);
        QCOMPARE(records.at(3).entry.detail.value(QStringLiteral("stamps")).toArray(),
                 QJsonArray({1000, 3512, 6377, 6890}));

        NumberEntriesModel model;
        model.setEntries(records);
        QCOMPARE(model.rowCount(), 7);
        QCOMPARE(model.data(model.index(3, 1)).toString(), QStringLiteral("Ziel"));
        QCOMPARE(model.data(model.index(3, 2)).toString(), QStringLiteral("Lichtschranke L4"));
        QCOMPARE(model.data(model.index(4, 2)).toString(), QStringLiteral("Taste F5"));
        QCOMPARE(model.data(model.index(3, 3)).toString(), QStringLiteral("6890"));
        QCOMPARE(model.data(model.index(3, 4)).toString(),
                 QStringLiteral("Zeit 5,890 · Zw.Zeit 2,512 · Vmax 70,11 · End-Zeit 0,513 · Ø-km/h 61,12 · "
                                "Stempel L1 1000, L2 3512, L3 6377, L4 6890 · Zeile 3"));
        QCOMPARE(model.data(model.index(5, 4)).toString(), QStringLiteral("Name: „Vera“ → „Vera K.“"));
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("09.05.2026 14:30:05"));
    }

    void replacedStatesAndTheirRows() {
        ReplacedState cleared;
        cleared.at = fixedNow;
        cleared.replacedBy = JournalKind::Cleared;
        cleared.rowCount = 50;
        cleared.names = QStringLiteral("Anna, Bert, Carla");
        ReplacedState loaded = cleared;
        loaded.replacedBy = JournalKind::Loaded;
        loaded.what = QStringLiteral("/tmp/lauf2.txt");
        ReplacedStatesModel states;
        states.setStates({cleared, loaded});
        QCOMPARE(states.rowCount(), 2);
        QCOMPARE(states.data(states.index(0, 1)).toString(), QStringLiteral("Protokoll gelöscht"));
        QCOMPARE(states.data(states.index(1, 1)).toString(), QStringLiteral("Protokoll geladen: /tmp/lauf2.txt"));
        QCOMPARE(states.data(states.index(0, 2)).toInt(), 50);
        QCOMPARE(states.data(states.index(0, 3)).toString(), QStringLiteral("Anna, Bert, Carla"));

        ProtocolRowsModel rows;
        rows.setRows({{"1", "Anna"}, {"2", "Bert", "", "", "", "", "", "", "6,000", "1"}});
        QCOMPARE(rows.columnCount(), 10);
        QCOMPARE(rows.headerData(5, Qt::Horizontal).toString(), QStringLiteral("Ø-km/h"));
        QCOMPARE(rows.data(rows.index(1, 8)).toString(), QStringLiteral("6,000"));
        QCOMPARE(rows.data(rows.index(0, 8)).toString(), QString());
    }

    void firstNamesSkipBlanksMarkersAndRepeats() {
        const ProtocolRows rows{{"1", " "},    {"2", "-"},     {"3", "Anna"}, {"4", "Bert"},
                                {"4", "Bert"}, {"5", "Carla"}, {"6", "Dora"}};
        QCOMPARE(firstNames(rows), QStringLiteral("Anna, Bert, Carla"));
        QCOMPARE(filledRowCount({{"", " "}, {"1"}}), 1);
    }

    void settingsChangesNameWhatTheOfficialChanged() {
        Settings before;
        Settings after = before;
        QVERIFY(settingsChanges(before, after).isEmpty());
        after.Length = 120;
        after.Alg = {1, 1, 0, 0};
        after.Title = QStringLiteral("Clubrennen");
        after.Left = 40; // the window's place is no setting the official changed in the dialog
        const QJsonObject changes = settingsChanges(before, after);
        QCOMPARE(changes.keys(), QStringList({"Alg", "Length", "Title"}));
        QCOMPARE(changes.value(QStringLiteral("Length")).toArray(), QJsonArray({0, 120}));
        QCOMPARE(changes.value(QStringLiteral("Alg")).toArray().at(1).toArray(), QJsonArray({1, 1, 0, 0}));
        // The settings read after the first 23 are journaled too.
        Settings later = before;
        later.WebInterface = QStringLiteral("wlan0");
        later.Wertung = 2;
        QCOMPARE(settingsChanges(before, later).keys(), QStringList({"WebInterface", "Wertung"}));
    }
};

QTEST_GUILESS_MAIN(TestJournalModels)
#include "test_journal_models.moc"
