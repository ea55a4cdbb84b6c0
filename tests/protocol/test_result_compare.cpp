#include "protocol/result_compare.h"

#include <QTest>

// The grid lower-cases both texts before it calls the comparison, so the cases
// below use the lower-cased forms where it matters ("aus").
class TestResultCompare : public QObject {
    Q_OBJECT

private slots:
    void ordersPairs_data();
    void ordersPairs();
    void sortsMixedColumn();
};

void TestResultCompare::ordersPairs_data() {
    QTest::addColumn<QString>("smaller");
    QTest::addColumn<QString>("larger");

    QTest::newRow("start numbers 9 < 10") << "9"
                                          << "10";
    QTest::newRow("start numbers 10 < 100") << "10"
                                            << "100";
    QTest::newRow("same length by bytes") << "9,876"
                                          << "9,877";
    QTest::newRow("seconds before ten seconds") << "9,876"
                                                << "10,123";
    QTest::newRow("ten seconds before a minute") << "10,123"
                                                 << "1.02,000";
    QTest::newRow("speeds") << "99,99"
                            << "100,00";
    QTest::newRow("value before dash") << "1:00.00,000"
                                       << "-";
    QTest::newRow("one-character value before dash") << "1"
                                                     << "-";
    QTest::newRow("value longer than the marker keys before dash") << "12345678901234567890"
                                                                   << "-";
    QTest::newRow("dash before aus") << "-"
                                     << "aus";
    QTest::newRow("dash before AUS") << "-"
                                     << "AUS";
    QTest::newRow("aus before blank") << "aus"
                                      << " ";
    QTest::newRow("aus before empty") << "aus"
                                      << "";
    QTest::newRow("long value before blank") << "1234567890123456789"
                                             << "";
    QTest::newRow("value before aus") << "999,999"
                                      << "aus";
    QTest::newRow("text with blanks around aus is a value") << " aus"
                                                            << "aus";
}

void TestResultCompare::ordersPairs() {
    QFETCH(QString, smaller);
    QFETCH(QString, larger);
    QCOMPARE(compareResultCells(smaller, larger), -1);
    QCOMPARE(compareResultCells(larger, smaller), 1);
    QCOMPARE(compareResultCells(smaller, smaller), 0);
}

void TestResultCompare::sortsMixedColumn() {
    QStringList cells = {"", "aus", "-", "100", "9", " ", "10", "-"};
    std::stable_sort(cells.begin(), cells.end(),
                     [](const QString& a, const QString& b) { return compareResultCells(a, b) < 0; });
    const QStringList expected = {"9", "10", "100", "-", "-", "aus", "", " "};
    QCOMPARE(cells, expected);
}

QTEST_GUILESS_MAIN(TestResultCompare)
#include "test_result_compare.moc"
