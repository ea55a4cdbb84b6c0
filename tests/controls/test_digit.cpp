#include "controls/digit.h"
#include "controls/digit_segments.h"

#include <QSignalSpy>
#include <QTest>

#include <climits>

namespace {

const QColor background(0, 0, 0);
const QColor unlit(48, 48, 48);
const QColor lit(255, 255, 0);

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// The main window's digit.
void makePanelDigit(TDigit& digit) {
    digit.resize(45, 89);
    digit.setThickness(5);
    digit.setSeparation(1);
    digit.setColor(background);
    digit.setColorOff(unlit);
    digit.setColorOn(lit);
}

// A pixel well inside the segment: the mean of its corners.
QPoint insideSegment(int segment) {
    const QPolygon polygon = digitSegmentPolygons(45, 89, 5, 1)[std::size_t(segment)];
    QPoint sum;
    for (const QPoint& point : polygon)
        sum += point;
    return sum / polygon.size();
}

} // namespace

class TestDigit : public QObject {
    Q_OBJECT

private slots:
    void creationValues() {
        TDigit digit;
        QCOMPARE(digit.size(), QSize(16, 32));
        QCOMPARE(digit.Color(), QColor(Qt::black));
        QCOMPARE(digit.ColorOff(), QColor(Qt::black));
        QCOMPARE(digit.ColorOn(), QColor(255, 255, 0));
        QCOMPARE(digit.Value(), 0);
        QCOMPARE(digit.ValueBinary(), quint8(125));
        QCOMPARE(digit.Thickness(), 2);
        QCOMPARE(digit.Separation(), 1);
        QCOMPARE(digit.BorderStyle(), TDigit::bsSingle);
        QVERIFY(digit.testAttribute(Qt::WA_OpaquePaintEvent));
    }

    void noNativeWindow() {
        QWidget parent;
        TDigit digit(&parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QVERIFY(!digit.testAttribute(Qt::WA_NativeWindow));
        QCOMPARE(digit.internalWinId(), WId(0));
    }

    void valueSetsPattern_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("pattern");
        const int patterns[] = {125, 80, 55, 87, 90, 79, 111, 81, 127, 95};
        for (int v = 0; v <= 9; ++v)
            QTest::addRow("%d", v) << v << patterns[v];
    }
    void valueSetsPattern() {
        QFETCH(int, value);
        QFETCH(int, pattern);
        TDigit digit;
        QSignalSpy overflow(&digit, &TDigit::OnOverflow);
        digit.setValue(value == 8 ? 1 : 8);
        digit.setValue(value);
        QCOMPARE(digit.Value(), value);
        QCOMPARE(int(digit.ValueBinary()), pattern);
        QCOMPARE(overflow.count(), 0);
    }

    void overflowShowsZero_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("value");
        QTest::newRow("10 after 7") << 7 << 10;
        QTest::newRow("-1 after 7") << 7 << -1;
        QTest::newRow("10 after 0") << 0 << 10;
        QTest::newRow("INT_MAX") << 3 << INT_MAX;
        QTest::newRow("INT_MIN") << 3 << INT_MIN;
    }
    void overflowShowsZero() {
        QFETCH(int, before);
        QFETCH(int, value);
        TDigit digit;
        digit.setValue(before);
        digit.setValueBinary(0);
        QSignalSpy overflow(&digit, &TDigit::OnOverflow);
        digit.setValue(value);
        QCOMPARE(digit.Value(), 0);
        QCOMPARE(digit.ValueBinary(), quint8(125));
        QCOMPARE(overflow.count(), 1);
        QCOMPARE(overflow.at(0).at(0).value<TDigit*>(), &digit);
    }

    void unchangedValueKeepsDirectPattern() {
        QWidget parent;
        TDigit digit(&parent);
        makePanelDigit(digit);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        digit.setValue(3);
        digit.setValueBinary(0);
        digit.setValue(3);
        QCOMPARE(digit.ValueBinary(), quint8(0));
        const QImage image = digit.grab().toImage();
        for (int segment = 0; segment < DigitSegmentCount; ++segment)
            QCOMPARE(image.pixelColor(insideSegment(segment)), unlit);
    }

    void thicknessWithinHalfSize_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("thickness");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("22 on 45 wide") << QSize(45, 89) << 22 << true;
        QTest::newRow("23 on 45 wide") << QSize(45, 89) << 23 << false;
        QTest::newRow("15 on 30 high") << QSize(100, 30) << 15 << true;
        QTest::newRow("16 on 30 high") << QSize(100, 30) << 16 << false;
        QTest::newRow("5 on default size") << QSize(16, 32) << 5 << true;
        QTest::newRow("9 on default size") << QSize(16, 32) << 9 << false;
    }
    void thicknessWithinHalfSize() {
        QFETCH(QSize, size);
        QFETCH(int, thickness);
        QFETCH(bool, accepted);
        TDigit digit;
        digit.resize(size);
        digit.setThickness(thickness);
        QCOMPARE(digit.Thickness(), accepted ? thickness : 2);
    }

    void separationAlwaysStored() {
        TDigit digit;
        digit.setSeparation(40);
        QCOMPARE(digit.Separation(), 40);
        digit.setSeparation(-3);
        QCOMPARE(digit.Separation(), -3);
    }

    // Each digit and the point, sampled inside every segment of a grabbed picture.
    void rendersSegments_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("pattern");
        const int patterns[] = {125, 80, 55, 87, 90, 79, 111, 81, 127, 95};
        for (int v = 0; v <= 9; ++v)
            QTest::addRow("digit %d", v) << v << patterns[v];
        QTest::newRow("point only") << -1 << 128;
        QTest::newRow("all and point") << -1 << 255;
    }
    void rendersSegments() {
        QFETCH(int, value);
        QFETCH(int, pattern);
        QWidget parent;
        TDigit digit(&parent);
        makePanelDigit(digit);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        digit.setValue(value == 8 ? 1 : 8);
        if (value >= 0)
            digit.setValue(value);
        else
            digit.setValueBinary(quint8(pattern));
        const QImage image = digit.grab().toImage();
        QCOMPARE(image.size(), QSize(45, 89));
        for (int segment = 0; segment < DigitSegmentCount; ++segment) {
            const bool on = (pattern >> segment) & 1;
            const QPoint at = insideSegment(segment);
            QVERIFY2(image.pixelColor(at) == (on ? lit : unlit),
                     qPrintable(QStringLiteral("segment %1 at (%2,%3)").arg(segment).arg(at.x()).arg(at.y())));
        }
        // Outline in the background colour, gaps and corners left as background.
        QCOMPARE(image.pixelColor(22, 0), background);                  // top edge of the top bar
        QCOMPARE(image.pixelColor(22, 1), (pattern & 1) ? lit : unlit); // just inside it
        QCOMPARE(image.pixelColor(0, 0), background);                   // corner between top and upper left bars
        QCOMPARE(image.pixelColor(22, 25), background);                 // hole of the upper half
        QCOMPARE(image.pixelColor(44, 0), background);
    }

    // Opaque: nothing of the parent shows through the digit's rectangle.
    void paintsWholeRectangle() {
        QWidget parent;
        parent.setAutoFillBackground(true);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, Qt::red);
        parent.setPalette(palette);
        parent.resize(100, 120);
        TDigit digit(&parent);
        digit.move(10, 10);
        makePanelDigit(digit);
        digit.setColor(Qt::blue);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        const QImage image = parent.grab().toImage();
        for (int y = 10; y < 10 + 89; ++y)
            for (int x = 10; x < 10 + 45; ++x)
                QVERIFY(image.pixelColor(x, y) != QColor(Qt::red));
        QCOMPARE(image.pixelColor(9, 9), QColor(Qt::red));
        QCOMPARE(image.pixelColor(10, 10), QColor(Qt::blue));
    }

    // The write that changes what is shown has painted before it returns.
    void repaintsAtOnce_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("paints");
        for (const char* property : {"Value", "ValueBinary", "ColorOn", "ColorOff", "BorderStyle"}) {
            QTest::addRow("%s changed", property) << QString::fromLatin1(property) << true << 1;
            QTest::addRow("%s unchanged", property) << QString::fromLatin1(property) << false << 0;
        }
    }
    void repaintsAtOnce() {
        QFETCH(QString, property);
        QFETCH(bool, change);
        QFETCH(int, paints);
        QWidget parent;
        TDigit digit(&parent);
        makePanelDigit(digit);
        digit.setValue(4);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCoreApplication::processEvents();
        PaintCounter counter(&digit);
        if (property == "Value")
            digit.setValue(change ? 5 : 4);
        else if (property == "ValueBinary")
            digit.setValueBinary(change ? 1 : 90);
        else if (property == "ColorOn")
            digit.setColorOn(change ? QColor(Qt::green) : lit);
        else if (property == "ColorOff")
            digit.setColorOff(change ? QColor(Qt::darkGray) : unlit);
        else
            digit.setBorderStyle(change ? TDigit::bsNone : TDigit::bsSingle);
        QCOMPARE(counter.count, paints);
        QCoreApplication::processEvents();
        QCOMPARE(counter.count, paints);
    }

    // Thickness and Separation take effect at the next paint, not during the write.
    void thicknessAndSeparationPaintLater() {
        QWidget parent;
        TDigit digit(&parent);
        makePanelDigit(digit);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCoreApplication::processEvents();
        PaintCounter counter(&digit);
        digit.setThickness(8);
        QCOMPARE(counter.count, 0);
        QTRY_VERIFY(counter.count > 0);
        const int afterThickness = counter.count;
        digit.setSeparation(1);
        QCOMPARE(counter.count, afterThickness);
        QTRY_VERIFY(counter.count > afterThickness);
        // The thicker top bar now reaches row 15.
        QCOMPARE(digit.grab().toImage().pixelColor(22, 14), QColor(lit));
    }
};

QTEST_MAIN(TestDigit)
#include "test_digit.moc"
