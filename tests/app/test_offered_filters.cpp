#include "app/offered_filters.h"
#include "settings/save_dialog_filter.h"

#include <QTest>

// The save dialog's four types keep their numbers 1 to 4 while only some are offered.
class TestOfferedFilters : public QObject {
    Q_OBJECT

private slots:
    void offeredKeepTheirNumbers_data() {
        QTest::addColumn<QList<int>>("available");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("text only") << QList<int>{1} << QStringList{"Textdatei (*.txt)"} << QList<int>{1};
        QTest::newRow("text and web page")
            << QList<int>{4, 1} << QStringList{"Textdatei (*.txt)", "Webseite (*.html)"} << QList<int>{1, 4};
        QTest::newRow("an index the filter lacks")
            << QList<int>{1, 9} << QStringList{"Textdatei (*.txt)"} << QList<int>{1};
    }
    void offeredKeepTheirNumbers() {
        QFETCH(QList<int>, available);
        QFETCH(QStringList, shown);
        QFETCH(QList<int>, indexes);
        const OfferedFilters offered = offeredFilters(saveDialogFilter(openDialogFilter(), {}), available);
        QCOMPARE(offered.nameFilters, shown);
        QCOMPARE(offered.indexes, indexes);
        for (int i = 0; i < shown.size(); ++i) {
            QCOMPARE(offered.filterIndexOf(shown.at(i)), indexes.at(i));
            QCOMPARE(offered.nameFilterFor(indexes.at(i)), shown.at(i));
        }
    }

    // A stored index of a type not offered (or out of range) preselects the first entry;
    // a name that is not offered has no index.
    void unofferedIndexes_data() {
        QTest::addColumn<int>("stored");
        QTest::newRow("word") << 3;
        QTest::newRow("web page") << 4;
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -2;
        QTest::newRow("beyond") << 12;
    }
    void unofferedIndexes() {
        QFETCH(int, stored);
        const OfferedFilters offered = offeredFilters(saveDialogFilter(openDialogFilter(), {}), {1, 2});
        QCOMPARE(offered.nameFilterFor(stored), QStringLiteral("Textdatei (*.txt)"));
        QCOMPARE(offered.filterIndexOf(QStringLiteral("MS Word (*.docx)")), 0);
    }

    // The typed extension decides what is written; another extension keeps the selected type.
    void savedTypeFollowsTheTypedExtension() {
        QCOMPARE(savedTypeOf(QStringLiteral("/stick/Lauf.xlsx"), 1), 2);
        QCOMPARE(savedTypeOf(QStringLiteral("/stick/Lauf.XLSX"), 1), 2);
        QCOMPARE(savedTypeOf(QStringLiteral("/stick/Lauf.txt"), 2), 1);
        QCOMPARE(savedTypeOf(QStringLiteral("/stick/Lauf.docx"), 1), 3);
        QCOMPARE(savedTypeOf(QStringLiteral("/stick/Lauf.htm"), 1), 4);
        QCOMPARE(savedTypeOf(QStringLiteral("/stick/Lauf.2014"), 2), 2);
        QVERIFY(isWorkbookFile(QStringLiteral("a.xls")));
        QVERIFY(!isWorkbookFile(QStringLiteral("starter.csv")));
    }

    void nothingOffered() {
        const OfferedFilters offered = offeredFilters(openDialogFilter(), {});
        QVERIFY(offered.nameFilters.isEmpty());
        QCOMPARE(offered.nameFilterFor(1), QString());
        QCOMPARE(offered.filterIndexOf(QStringLiteral("Textdatei (*.txt)")), 0);
    }
};

QTEST_GUILESS_MAIN(TestOfferedFilters)
#include "test_offered_filters.moc"
