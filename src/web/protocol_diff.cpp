// Finds the protocol's steps by hashing each row without its rank, so that a finish reaches
// the pages at once however many rows the day has.

#include "web/protocol_diff.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <optional>
#include <vector>

namespace {

// A row without its rank, as the key under which it is found again (hashed: a day's rows are
// many, and a finish must reach the pages at once).
size_t keyOf(const QStringList& row, int shiftColumn) {
    size_t key = size_t(row.size());
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i != shiftColumn)
            key = qHashMulti(key, row[i]);
    }
    return key;
}

bool sameBesidesRank(const QStringList& a, const QStringList& b, int shiftColumn) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (i != shiftColumn && a[i] != b[i])
            return false;
    }
    return true;
}

// How far the rank moved, when both are plain whole numbers (or equal texts: 0).
std::optional<int> rankShift(const QStringList& from, const QStringList& to, int shiftColumn) {
    const QString a = from.value(shiftColumn);
    const QString b = to.value(shiftColumn);
    if (a == b)
        return 0;
    bool okA = false, okB = false;
    const int x = a.toInt(&okA);
    const int y = b.toInt(&okB);
    if (!okA || !okB || QString::number(x) != a || QString::number(y) != b)
        return std::nullopt;
    return y - x;
}

QJsonArray textArray(const QStringList& texts) {
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return array;
}

} // namespace

ProtocolDiff protocolDiff(const QList<QStringList>& before, const QList<QStringList>& after, int shiftColumn) {
    // Old rows by key, in table order; each is used at most once.
    struct Holders {
        std::vector<int> rows;
        size_t firstFree = 0;
    };
    std::vector<size_t> keys;
    keys.reserve(size_t(before.size()));
    QHash<size_t, Holders> byKey;
    for (int i = 0; i < before.size(); ++i) {
        keys.push_back(keyOf(before[i], shiftColumn));
        byKey[keys.back()].rows.push_back(i);
    }
    std::vector<bool> used(size_t(before.size()), false);

    ProtocolDiff diff;
    QJsonArray steps;
    int runStart = -1, runCount = 0, runShift = 0;
    const auto closeRun = [&] {
        if (runCount > 0)
            steps.append(QJsonArray{runStart, runCount, runShift});
        runCount = 0;
    };
    for (const QStringList& row : after) {
        const size_t key = keyOf(row, shiftColumn);
        int match = -1;
        std::optional<int> shift;
        // The row after the last one taken keeps the run going; else the first one free.
        const int next = runStart + runCount;
        if (runCount > 0 && next < before.size() && !used[size_t(next)] && keys[size_t(next)] == key &&
            sameBesidesRank(before[next], row, shiftColumn) && (shift = rankShift(before[next], row, shiftColumn)))
            match = next;
        const auto found = byKey.find(key);
        if (match < 0 && found != byKey.end()) {
            Holders& h = *found;
            while (h.firstFree < h.rows.size() && used[size_t(h.rows[h.firstFree])])
                ++h.firstFree;
            for (size_t k = h.firstFree; k < h.rows.size(); ++k) {
                const int candidate = h.rows[k];
                if (!used[size_t(candidate)] && sameBesidesRank(before[candidate], row, shiftColumn) &&
                    (shift = rankShift(before[candidate], row, shiftColumn))) {
                    match = candidate;
                    break;
                }
            }
        }
        if (match < 0) {
            closeRun();
            steps.append(textArray(row));
            ++diff.newRows;
            continue;
        }
        used[size_t(match)] = true;
        if (runCount > 0 && match == runStart + runCount && *shift == runShift) {
            ++runCount;
        } else {
            closeRun();
            runStart = match;
            runCount = 1;
            runShift = *shift;
        }
    }
    closeRun();
    diff.steps = QJsonDocument(steps).toJson(QJsonDocument::Compact);
    return diff;
}
