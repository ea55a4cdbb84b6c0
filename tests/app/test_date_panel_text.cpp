#include "app/date_panel_text.h"

#include <QTest>

class TestDatePanelText : public QObject {
    Q_OBJECT

private slots:
    void shortDateThreeBlanksShortTime_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        const QDateTime when(QDate(2014, 3, 7), QTime(9, 5, 42));
        QTest::newRow("German")
            << QLocale(QLocale::German, QLocale::Germany)
            << QLocale(QLocale::German, QLocale::Germany).toString(when.date(), QLocale::ShortFormat) + "   09:05";
        QTest::newRow("British") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "07/03/2014   09:05";
    }
    void shortDateThreeBlanksShortTime() {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        const QDateTime when(QDate(2014, 3, 7), QTime(9, 5, 42));
        QCOMPARE(datePanelText(when, locale), text);
    }
};

QTEST_GUILESS_MAIN(TestDatePanelText)
#include "test_date_panel_text.moc"
