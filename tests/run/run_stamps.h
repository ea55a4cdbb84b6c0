// The run's stamps and times are std::optional; QCOMPARE prints them as a count or "not taken".

#pragma once

#include <QTest>

#include <optional>

namespace QTest {
template <> inline char* toString(const std::optional<qint64>& value) {
    return value ? QTest::toString(*value) : qstrdup("not taken");
}
template <> inline char* toString(const std::optional<qint32>& value) {
    return value ? QTest::toString(*value) : qstrdup("not taken");
}
} // namespace QTest

inline std::optional<qint64> taken(qint64 stamp) {
    return stamp;
}
inline constexpr std::optional<qint64> notTaken;
