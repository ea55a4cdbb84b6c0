// The standings rule: who wins a group, from the protocol's rows as the official leaves them.

#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "standings/standings.h"
#include "standings/standings_json.h"
#include "standings/standings_table.h"
#include "standings/standings_values.h"

#include "protocol_test_grid.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QtTest>

namespace {

// "rank nr result gap" per line, rank 0 for none.
QStringList lines(const StandingsGroup& group) {
    QStringList out;
    for (const StandingsEntry& e : group.entries)
        out << QStringLiteral("%1 %2 %3 %4").arg(e.rank).arg(e.nr, e.result, e.gap).trimmed();
    return out;
}

StandingsRule bestOf(int column = colZeit, bool descending = false) {
    StandingsRule rule;
    rule.column = column;
    rule.descending = descending;
    return rule;
}

StandingsRule sumOf(int n) {
    StandingsRule rule;
    rule.countedRuns = n;
    return rule;
}

} // namespace

class TestStandings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void bestRunTiesBrokenByNextRunThenShared() {
        const QList<QStringList> rows{
            groupRunRow("1", "A", "5,000"), groupRunRow("1", "A", "5,500"), // 5,000 with 5,500 behind it
            groupRunRow("2", "A", "5,000"), groupRunRow("2", "A", "5,400"), // same best, better second: ahead
            groupRunRow("3", "A", "5,200"), groupRunRow("3", "A", "6,000"), //
            groupRunRow("4", "A", "5,200"), groupRunRow("4", "A", "6,000"), // exactly equal to 3: shared
            groupRunRow("5", "A", "5,300"),
        };
        const auto groups = computeStandings(rows, bestOf());
        QCOMPARE(groups.size(), 1);
        QCOMPARE(lines(groups[0]), (QStringList{"1 2 5,000", "2 1 5,000 +0,000", "3 3 5,200 +0,200", "3 4 5,200 +0,200",
                                                "5 5 5,300 +0,300"}));
        QCOMPARE(groups[0].entries[0].runs, 2);
        // The best run is the one a double-click selects: number 2's first row is index 2.
        QCOMPARE(groups[0].entries[0].bestRow, 2);
    }

    void runTimesOverAMinuteOrderByValue() {
        const QList<QStringList> rows{groupRunRow("1", "", "1.02,000"), groupRunRow("2", "", "59,999"),
                                      groupRunRow("3", "", "1:00.00,000")};
        const auto groups = computeStandings(rows, bestOf());
        QCOMPARE(lines(groups[0]), (QStringList{"1 2 59,999", "2 1 1.02,000 +2,001", "3 3 1:00.00,000 +59.00,001"}));
    }

    void sumOfBestRunsWithMissingRuns() {
        const QList<QStringList> rows{
            groupRunRow("1", "A", "5,000"), groupRunRow("1", "A", "6,000"), groupRunRow("1", "A", "5,500"), // 10,500
            groupRunRow("2", "A", "4,000"),                                 // one run only
            groupRunRow("3", "A", "5,100"), groupRunRow("3", "A", "5,300"), // 10,400
            groupRunRow("4", "A", "-"),     groupRunRow("4", "A", "4,500"), // accident + one run
            groupRunRow("5", "A", "4,800"), groupRunRow("5", "A", "AUS"),   groupRunRow("5", "A", "5,000"), // 9,800
        };
        const auto groups = computeStandings(rows, sumOf(2));
        QCOMPARE(lines(groups[0]),
                 (QStringList{"1 5 9,800", "2 3 10,400 +0,600", "3 1 10,500 +0,700", "4 2 4,000", "5 4 4,500"}));
        const StandingsEntry& winner = groups[0].entries[0];
        QCOMPARE(winner.countedRuns, (QStringList{"4,800", "5,000"}));
        QCOMPARE(winner.runs, 3); // "AUS" is a run without a result
        QCOMPARE(groups[0].entries[4].runs, 2);
        // Sums tie: the best run not counted decides.
        const QList<QStringList> tied{groupRunRow("7", "A", "5,000"), groupRunRow("7", "A", "5,000"),
                                      groupRunRow("7", "A", "7,000"), groupRunRow("8", "A", "4,500"),
                                      groupRunRow("8", "A", "5,500"), groupRunRow("8", "A", "6,000")};
        QCOMPARE(lines(computeStandings(tied, sumOf(2))[0]), (QStringList{"1 8 10,000", "2 7 10,000 +0,000"}));
    }

    void markersAndStartListRows() {
        const QList<QStringList> rows{
            groupRunRow("9", "A", "-"),    groupRunRow("9", "A", "AUS"), // runs, none with a result
            groupRunRow("3", "A", ""),                                   // on the start list: no run
            groupRunRow("2", "A", "aus"),  groupRunRow("2", "A", "6,000"),
            groupRunRow("", "A", "1,000"), // a row without a number is nobody's
        };
        const auto groups = computeStandings(rows, bestOf());
        QCOMPARE(lines(groups[0]), (QStringList{"1 2 6,000", "0 3", "0 9"}));
        QCOMPARE(groups[0].entries[0].runs, 2);
        QCOMPARE(groups[0].entries[1].runs, 0);
        QCOMPARE(groups[0].entries[2].runs, 2);
        QCOMPARE(groups[0].entries[2].bestRow, 0); // no timed run: the first row
    }

    void groupsBlankAndAccidentRows() {
        QList<QStringList> rows{
            groupRunRow("1", "Klasse 10", "5,000", "Vera"),
            groupRunRow("2", "", "6,000", "Ohne"),
            groupRunRow("1", "-", "-", "-"), // an accident row of number 1: joins Klasse 10
            groupRunRow("3", "Klasse 2", "5,500", "-"),
            groupRunRow("3", "Klasse 2", "5,900", "Kai"),
            groupRunRow("1", "Klasse 2", "4,000", "Other"), // number 1 in another group is another competitor
            groupRunRow("4", " ", "7,000"),
        };
        rows[1][colFahrzeug] = QStringLiteral("Golf");
        const auto groups = computeStandings(rows, bestOf());
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups[0].title, QStringLiteral("Klasse 2"));
        QCOMPARE(groups[1].title, QStringLiteral("Klasse 10"));
        QCOMPARE(groups[2].title, QStringLiteral("ohne Gruppe"));
        QCOMPARE(groups[2].gruppe, QString());
        QCOMPARE(lines(groups[0]), (QStringList{"1 1 4,000", "2 3 5,500 +1,500"}));
        QCOMPARE(groups[0].entries[1].name, QStringLiteral("Kai")); // the first row that has one
        QCOMPARE(groups[1].entries[0].runs, 2);
        QCOMPARE(groups[1].entries[0].name, QStringLiteral("Vera"));
        QCOMPARE(lines(groups[2]), (QStringList{"1 2 6,000", "2 4 7,000 +1,000"}));
        QCOMPARE(groups[2].entries[0].fahrzeug, QStringLiteral("Golf"));
    }

    void rankedByVmaxDescending() {
        const QList<QStringList> rows{
            groupRunRow("1", "A", "120,50", {}, colVmax), groupRunRow("1", "A", "125,00", {}, colVmax),
            groupRunRow("2", "A", "130,25", {}, colVmax), groupRunRow("3", "A", "-", {}, colVmax)};
        const auto groups = computeStandings(rows, bestOf(colVmax, true));
        QCOMPARE(lines(groups[0]), (QStringList{"1 2 130,25", "2 1 125,00 -5,25", "0 3"}));
        StandingsRule sum = bestOf(colVmax, true);
        sum.countedRuns = 2;
        QCOMPARE(lines(computeStandings(rows, sum)[0]), (QStringList{"1 1 245,50", "2 2 130,25", "0 3"}));
    }

    void resultTexts_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("thousandths"); // -1: no result
        QTest::newRow("seconds") << int(colZeit) << "5,432" << qint64(5432);
        QTest::newRow("minutes") << int(colZeit) << "1.05,432" << qint64(65432);
        QTest::newRow("hours") << int(colEndZeit) << "1:00.00,000" << qint64(3600000);
        QTest::newRow("bad seconds") << int(colZeit) << "1.75,000" << qint64(-1);
        QTest::newRow("no decimals") << int(colZeit) << "5" << qint64(-1);
        QTest::newRow("dash") << int(colZeit) << "-" << qint64(-1);
        QTest::newRow("aus") << int(colVmax) << "AUS" << qint64(-1);
        QTest::newRow("speed comma") << int(colVmax) << "123,45" << qint64(123450);
        QTest::newRow("speed point") << int(colSchnitt) << "123.45" << qint64(123450);
        QTest::newRow("split") << int(colZwZeit) << "2,345" << qint64(2345);
        QTest::newRow("negative") << int(colVmax) << "-3,00" << qint64(-1);
        QTest::newRow("text") << int(colVmax) << "schnell" << qint64(-1);
    }
    void resultTexts() {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(qint64, thousandths);
        const std::optional<qint64> value = resultThousandths(column, text);
        QCOMPARE(value.value_or(-1), thousandths);
        if (value)
            QCOMPARE(resultText(column, *value),
                     text.replace(u'.', column == colZeit || column == colEndZeit ? u'.' : u','));
    }

    void ruleFollowsTheProtocolsRanking() {
        SortGridData grid;
        setupProtocolGrid(grid);
        QCOMPARE(standingsRuleOf(grid, 0), bestOf());
        grid.SortOptions().RankCol = colVmax;
        grid.SortOptions().SortCol = colVmax;
        grid.SortOptions().SortDirection = sdAscending; // the view's direction does not matter
        StandingsRule vmax = bestOf(colVmax, true);
        vmax.countedRuns = 3;
        QCOMPARE(standingsRuleOf(grid, 3), vmax);
        // The view sorted by name still ranks by Vmax.
        grid.SortOptions().SortCol = colName;
        vmax.countedRuns = 1;
        QCOMPARE(standingsRuleOf(grid, 7), vmax);
    }

    void tableTexts() {
        const QList<QStringList> rows{groupRunRow("1", "A", "5,000", "Vera"), groupRunRow("1", "A", "5,500")};
        const StandingsRule rule = sumOf(2);
        const auto groups = computeStandings(rows, rule);
        QCOMPARE(standingsHeader(rule),
                 (QStringList{"Platz", "Nr.", "Name", "Fahrzeug", "Summe Zeit", "Gewertet", "Läufe", "Abstand"}));
        QCOMPARE(standingsRowTexts(groups[0].entries[0], rule),
                 (QStringList{"1", "1", "Vera", "", "10,500", "5,000 + 5,500", "2", ""}));
        QCOMPARE(standingsRuleText(rule), QStringLiteral("Summe der 2 besten Läufe, Zeit"));
        const auto sheet = standingsSheetRows(groups + groups, rule);
        QCOMPARE(sheet.size(), 7);
        QCOMPARE(sheet[0], QStringList{"A"});
        QCOMPARE(sheet[3], QStringList());
    }

    void jsonForThePage() {
        const QList<QStringList> rows{groupRunRow("1", "A", "5,000", "Vera \"V\" <b>"), groupRunRow("2", "", "6,000")};
        const QJsonObject json =
            QJsonDocument::fromJson(standingsJson(computeStandings(rows, bestOf()), bestOf())).object();
        QCOMPARE(json["rule"].toString(), QStringLiteral("Bester Lauf, Zeit"));
        QCOMPARE(json["columns"].toArray().size(), 7);
        const QJsonArray groups = json["groups"].toArray();
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0]["gruppe"].toString(), QStringLiteral("A"));
        QCOMPARE(groups[0]["rows"][0][2].toString(), QStringLiteral("Vera \"V\" <b>"));
        QCOMPARE(groups[1]["gruppe"].toString(), QString());
        QCOMPARE(groups[1]["title"].toString(), QStringLiteral("ohne Gruppe"));
        QCOMPARE(groups[1]["rows"][0][4].toString(), QStringLiteral("6,000"));
    }

    void theProtocolStaysAsItIs() {
        SortGridData grid;
        fillProtocol(grid, {runRow("1", "5,000", {}, "1"), runRow("1", "4,000", {}, "2")});
        const auto before = protocolRows(grid);
        computeStandings(protocolDataRows(grid), standingsRuleOf(grid, 2));
        QCOMPARE(protocolRows(grid), before);
    }
};

QTEST_GUILESS_MAIN(TestStandings)
#include "test_standings.moc"
