// The display state: digits, colours and separators for times, results and speeds.

#include "display/display_state.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr quint32 dim = DisplayState::dimColour;
constexpr quint32 run = DisplayState::runColour;
constexpr quint32 res = DisplayState::resultColour;

const DigitId upper[] = {DigitId::Digit10M, DigitId::Digit4, DigitId::Digit5, DigitId::Digit6,
                         DigitId::Digit7,   DigitId::Digit8, DigitId::Digit9};
const DigitId lower[] = {DigitId::Digit1, DigitId::Digit2,  DigitId::Digit3,
                         DigitId::Digit0, DigitId::Digit10, DigitId::Digit20};

// Digits as text, a hidden one as "_": "0105432".
QString values(const DisplayState& d, std::initializer_list<DigitId> ids) {
    QString s;
    for (DigitId id : ids)
        s += d.digit(id).visible ? QString::number(d.digit(id).value) : QStringLiteral("_");
    return s;
}

QString upperValues(const DisplayState& d) {
    return values(d, {upper[0], upper[1], upper[2], upper[3], upper[4], upper[5], upper[6]});
}
QString lowerValues(const DisplayState& d) {
    return values(d, {lower[0], lower[1], lower[2], lower[3], lower[4], lower[5]});
}

// Colours as letters: d dim, r run, y result.
QString colours(const DisplayState& d, const DigitId* ids, int n) {
    QString s;
    for (int i = 0; i < n; ++i) {
        const quint32 c = d.digit(ids[i]).colorOn;
        s += c == dim ? u'd' : c == run ? u'r' : c == res ? u'y' : u'?';
    }
    return s;
}

} // namespace

class TestDisplayState : public QObject {
    Q_OBJECT

private slots:
    void designState() {
        DisplayState d;
        QCOMPARE(colours(d, upper, 7), QStringLiteral("dddrrdd"));
        QCOMPARE(colours(d, lower, 6), QStringLiteral("ddyyyy"));
        QCOMPARE(lowerValues(d), QStringLiteral("__0000"));
        QCOMPARE(d.LabMinColor(), dim);
        QCOMPARE(d.LabSecColor(), run);
        QCOMPARE(d.LabelTime2(), QString());
        QCOMPARE(d.LabStart1(), QStringLiteral(" Start-Nr. "));
        QCOMPARE(d.LabNext1(), QStringLiteral("Bereit: 2 "));
    }

    void upperPanel_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("colours");
        QTest::addColumn<bool>("labMinLit");
        QTest::newRow("65432 stopped") << 65432 << false << "0105432"
                                       << "drrrrrr" << true;
        QTest::newRow("65432 running") << 65432 << true << "0105400"
                                       << "drrrrdd" << true;
        QTest::newRow("5432 stopped") << 5432 << false << "0005432"
                                      << "dddrrrr" << false;
        QTest::newRow("12345 running") << 12345 << true << "0012300"
                                       << "ddrrrdd" << false;
        QTest::newRow("10 minutes") << 600000 << false << "1000000"
                                    << "rrrrrrr" << true;
        QTest::newRow("an hour wraps the minutes") << 3600000 << false << "0000000"
                                                   << "dddrrrr" << false;
        QTest::newRow("negative shows 0") << -5 << false << "0000000"
                                          << "dddrrrr" << false;
    }
    void upperPanel() {
        QFETCH(int, ms);
        QFETCH(bool, running);
        DisplayState d;
        d.showTime(DisplayState::UpperPanel, ms, running);
        QTEST(upperValues(d), "digits");
        QTEST(colours(d, upper, 7), "colours");
        QFETCH(bool, labMinLit);
        QCOMPARE(d.LabMinColor(), labMinLit ? run : dim);
        QCOMPARE(lowerValues(d), QStringLiteral("__0000")); // the other panel is untouched
    }

    void lowerPanel_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("colours");
        QTest::newRow("5432") << 5432 << "__5432"
                              << "ddyyyy";
        QTest::newRow("123456 does not wrap at 60 s") << 123456 << "123456"
                                                      << "yyyyyy";
        QTest::newRow("45 s") << 45000 << "_45000"
                              << "dyyyyy";
        QTest::newRow("105 s keeps the tens zero") << 105000 << "105000"
                                                   << "yyyyyy";
        QTest::newRow("1005 s wraps the hundreds") << 1005000 << "_05000"
                                                   << "yyyyyy";
    }
    void lowerPanel() {
        QFETCH(int, ms);
        DisplayState d;
        d.showTime(DisplayState::LowerPanel, ms);
        QTEST(lowerValues(d), "digits");
        QTEST(colours(d, lower, 6), "colours");
    }

    void speedHidesThousandths() {
        DisplayState d;
        d.showTime(DisplayState::LowerPanel, 128570);
        d.hideDigit20();
        QCOMPARE(lowerValues(d), QStringLiteral("12857_"));
        d.showTime(DisplayState::LowerPanel, 5000); // a later time does not bring it back
        QVERIFY(!d.digit(DigitId::Digit20).visible);
    }

    void resetAfterAFinish() {
        DisplayState d;
        d.showTime(DisplayState::UpperPanel, 65432);
        d.showTime(DisplayState::LowerPanel, 128570);
        d.hideDigit20();
        d.setLabelTime2(QStringLiteral(" Vmax:"));
        d.reset();
        QCOMPARE(upperValues(d), QStringLiteral("0000000"));
        QCOMPARE(colours(d, upper, 7), QStringLiteral("dddrrdd"));
        QCOMPARE(d.LabMinColor(), dim);
        QCOMPARE(d.LabSecColor(), run);
        QCOMPARE(lowerValues(d), QStringLiteral("__0000"));
        QCOMPARE(colours(d, lower, 6), QStringLiteral("ddyyyy"));
        QCOMPARE(d.LabelTime2(), QString());
    }

    void changedOncePerAlteringCall() {
        DisplayState d;
        QSignalSpy spy(&d, &DisplayState::changed);
        d.showTime(DisplayState::UpperPanel, 65432, true);
        QCOMPARE(spy.count(), 1);
        d.showTime(DisplayState::UpperPanel, 65499, true); // same tenths while running
        QCOMPARE(spy.count(), 1);
        d.setLabStart1(QStringLiteral(" Start-Nr.:7"));
        d.setLabStart1(QStringLiteral(" Start-Nr.:7"));
        QCOMPARE(spy.count(), 2);
        d.hideDigit20();
        d.hideDigit20();
        QCOMPARE(spy.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestDisplayState)
#include "test_display_state.moc"
