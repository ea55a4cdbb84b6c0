// Turns the protocol's runs into the standings: each competitor's runs per group, the best
// one or the sum of the best, ranked with their gap to the leader.

#include "standings/standings.h"

#include "protocol/protocol_cell_rules.h"
#include "protocol/protocol_table.h"
#include "protocol/result_compare.h"
#include "standings/standings_values.h"

#include <QCollator>
#include <QHash>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Names the program or the official wrote, not the accident's "-".
bool isNamed(QStringView text) {
    return !isBlankCell(text) && text.trimmed() != u"-";
}

struct Run {
    qint64 value = 0;
    QString text;
    int row = 0;
};

struct Competitor {
    QString nr;
    QString name;
    QString fahrzeug;
    int firstRow = 0;
    int runs = 0;
    std::vector<Run> timed; // best first once sorted
    qint64 total = 0;       // of the counted runs
    int counted = 0;        // timed runs counted (at most N)
};

struct Group {
    QString gruppe;
    std::vector<Competitor> competitors;
    QHash<QString, int> byNr;
};

class Ranker {
public:
    explicit Ranker(const StandingsRule& rule) : m_rule(rule) {}

    // Negative when a is better than b.
    int compareValues(qint64 a, qint64 b) const {
        if (a == b)
            return 0;
        return (a < b) != m_rule.descending ? -1 : 1;
    }

    // Ranked competitors: full counts first, then more runs, then the counted result,
    // then the runs not counted, best first; a run beats no run. Zero: a shared rank.
    int compareRanked(const Competitor& a, const Competitor& b) const {
        if (a.counted != b.counted)
            return a.counted > b.counted ? -1 : 1;
        if (const int byTotal = compareValues(a.total, b.total))
            return byTotal;
        const size_t longest = std::max(a.timed.size(), b.timed.size());
        for (size_t i = size_t(a.counted); i < longest; ++i) {
            if (i >= a.timed.size() || i >= b.timed.size())
                return i < a.timed.size() ? -1 : 1;
            if (const int byRun = compareValues(a.timed[i].value, b.timed[i].value))
                return byRun;
        }
        return 0;
    }

    bool before(const Competitor& a, const Competitor& b) const {
        const bool rankedA = a.counted > 0;
        const bool rankedB = b.counted > 0;
        if (rankedA != rankedB)
            return rankedA;
        if (rankedA) {
            if (const int order = compareRanked(a, b))
                return order < 0;
        } else if (const int byNr = compareResultCells(a.nr, b.nr)) {
            return byNr < 0;
        }
        return a.firstRow < b.firstRow;
    }

    void count(Competitor& c) const {
        std::stable_sort(c.timed.begin(), c.timed.end(),
                         [this](const Run& a, const Run& b) { return compareValues(a.value, b.value) < 0; });
        c.counted = std::min(int(c.timed.size()), m_rule.countedRuns);
        c.total = 0;
        for (int i = 0; i < c.counted; ++i)
            c.total += c.timed[size_t(i)].value;
    }

private:
    const StandingsRule& m_rule;
};

StandingsEntry entryOf(const Competitor& c, const StandingsRule& rule) {
    StandingsEntry entry;
    entry.nr = c.nr;
    entry.name = c.name;
    entry.fahrzeug = c.fahrzeug;
    entry.runs = c.runs;
    entry.bestRow = c.timed.empty() ? c.firstRow : c.timed.front().row;
    if (c.counted > 0) {
        entry.result = rule.isSum() ? resultText(rule.column, c.total) : c.timed.front().text.trimmed();
        if (rule.isSum()) {
            for (int i = 0; i < c.counted; ++i)
                entry.countedRuns.append(c.timed[size_t(i)].text.trimmed());
        }
    }
    return entry;
}

StandingsGroup rankGroup(Group& group, const Ranker& ranker, const StandingsRule& rule) {
    std::vector<Competitor>& competitors = group.competitors;
    for (Competitor& c : competitors)
        ranker.count(c);
    std::sort(competitors.begin(), competitors.end(),
              [&ranker](const Competitor& a, const Competitor& b) { return ranker.before(a, b); });

    StandingsGroup standings;
    standings.gruppe = group.gruppe;
    standings.title = group.gruppe.isEmpty() ? kNoGroupTitle : group.gruppe;
    standings.entries.reserve(qsizetype(competitors.size()));
    const Competitor* leader = competitors.empty() || competitors.front().counted == 0 ? nullptr : &competitors.front();
    for (size_t i = 0; i < competitors.size(); ++i) {
        const Competitor& c = competitors[i];
        StandingsEntry entry = entryOf(c, rule);
        if (c.counted > 0) {
            const bool tied = i > 0 && ranker.compareRanked(competitors[i - 1], c) == 0;
            entry.rank = tied ? standings.entries.back().rank : int(i) + 1;
            // Only results made of as many runs as the leader's are comparable.
            if (i > 0 && c.counted == leader->counted)
                entry.gap = gapText(rule.column, c.total - leader->total);
        }
        standings.entries.append(entry);
    }
    return standings;
}

} // namespace

int standingsCountedRuns(int wertungSetting) {
    return wertungSetting == 2 || wertungSetting == 3 ? wertungSetting : 1;
}

QList<StandingsGroup> computeStandings(const QList<QStringList>& rows, const StandingsRule& rule) {
    // The group a number's unnamed rows join: the first group named for it.
    QHash<QString, QString> namedGroupOfNr;
    for (const QStringList& cells : rows) {
        const QString nr = cells.value(colNr).trimmed();
        const QString gruppe = cells.value(colGruppe);
        if (!nr.isEmpty() && isNamed(gruppe) && !namedGroupOfNr.contains(nr))
            namedGroupOfNr.insert(nr, gruppe.trimmed());
    }

    std::vector<Group> groups;
    QHash<QString, int> groupIndex;
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList& cells = rows[row];
        const QString nr = cells.value(colNr).trimmed();
        if (nr.isEmpty())
            continue;
        const QString ownGroup = cells.value(colGruppe);
        const QString gruppe = isNamed(ownGroup) ? ownGroup.trimmed() : namedGroupOfNr.value(nr);

        auto found = groupIndex.constFind(gruppe);
        if (found == groupIndex.cend()) {
            found = groupIndex.insert(gruppe, int(groups.size()));
            groups.push_back(Group{gruppe, {}, {}});
        }
        Group& group = groups[size_t(*found)];
        auto competitorAt = group.byNr.constFind(nr);
        if (competitorAt == group.byNr.cend()) {
            competitorAt = group.byNr.insert(nr, int(group.competitors.size()));
            Competitor c;
            c.nr = nr;
            c.firstRow = row;
            group.competitors.push_back(std::move(c));
        }
        Competitor& c = group.competitors[size_t(*competitorAt)];
        if (c.name.isEmpty() && isNamed(cells.value(colName)))
            c.name = cells.value(colName).trimmed();
        if (c.fahrzeug.isEmpty() && isNamed(cells.value(colFahrzeug)))
            c.fahrzeug = cells.value(colFahrzeug).trimmed();

        const QString result = cells.value(rule.column);
        if (isBlankCell(result))
            continue; // on the start list, or on the track now
        ++c.runs;
        if (const std::optional<qint64> value = resultThousandths(rule.column, result))
            c.timed.push_back(Run{*value, result, row});
    }

    QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(groups.begin(), groups.end(), [&collator](const Group& a, const Group& b) {
        if (a.gruppe.isEmpty() != b.gruppe.isEmpty())
            return b.gruppe.isEmpty();
        const int order = collator.compare(a.gruppe, b.gruppe);
        return order != 0 ? order < 0 : a.gruppe < b.gruppe;
    });

    const Ranker ranker(rule);
    QList<StandingsGroup> standings;
    standings.reserve(qsizetype(groups.size()));
    for (Group& group : groups)
        standings.append(rankGroup(group, ranker, rule));
    return standings;
}
