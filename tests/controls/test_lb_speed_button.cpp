#include "controls/lb_speed_button.h"

#include <QElapsedTimer>
#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TLbSpeedButtonStyle)

namespace {

const QColor HostColour(0x33, 0x66, 0x99);
const QColor CaptionColour(0xFF, 0x00, 0x00);

// Records the light level at every paint of one button.
class PaintLog : public QObject {
public:
    explicit PaintLog(TLbSpeedButton* button) : m_button(button) { button->installEventFilter(this); }
    QList<int> levels;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_button && event->type() == QEvent::Paint)
            levels.append(m_button->lightLevel());
        return false;
    }

private:
    TLbSpeedButton* m_button;
};

QFont crispFont(int pixelSize, bool bold) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias); // caption pixels are exactly the pen colour
    return font;
}

// Two or one 16 x 16 cells on a magenta ground (the transparent colour):
// a blue square in cell 0, a green one in cell 1.
QPixmap twoCellGlyph(int cells) {
    QImage image(16 * cells, 16, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    painter.fillRect(3, 3, 10, 10, Qt::blue);
    if (cells > 1)
        painter.fillRect(16 + 3, 3, 10, 10, Qt::green);
    return QPixmap::fromImage(image);
}

int countColour(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    }
    return count;
}

QRect boundsOfColour(const QImage& image, const QColor& colour) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

QImage maskOfColour(const QImage& image, const QColor& colour) {
    QImage mask(image.size(), QImage::Format_Mono);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            mask.setPixel(x, y, image.pixelColor(x, y) == colour ? 1 : 0);
    }
    return mask;
}

// The colour a painted gradient leaves on row y: that of the last band over it.
QColor rowColour(const QList<LbGradientBand>& bands, int y) {
    QColor colour;
    for (const LbGradientBand& band : bands) {
        if (y >= band.top && y < band.top + band.height)
            colour = band.color;
    }
    return colour;
}

void sendEnter(QWidget* widget) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(widget, &enter);
}

void sendLeave(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

} // namespace

class TestLbSpeedButton : public QObject {
    Q_OBJECT

private:
    QWidget* m_host = nullptr;

    TLbSpeedButton* makeButton(TLbSpeedButtonStyle style, QSize size = QSize(92, 33)) {
        auto* button = new TLbSpeedButton(m_host);
        button->setGeometry(QRect(QPoint(10, 10), size));
        button->setStyle(style);
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, CaptionColour);
        button->setPalette(palette);
        button->show();
        return button;
    }

    // The button as it appears on its parent.
    QImage shot(TLbSpeedButton* button) const {
        return m_host->grab(button->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void init() {
        m_host = new QWidget;
        m_host->resize(300, 200);
        m_host->setAutoFillBackground(true);
        QPalette palette = m_host->palette();
        palette.setColor(QPalette::Window, HostColour);
        m_host->setPalette(palette);
        m_host->setFont(crispFont(12, false));
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host));
    }
    void cleanup() {
        delete m_host;
        m_host = nullptr;
    }

    void createdWithDefaults() {
        TLbSpeedButton button(m_host);
        QCOMPARE(button.size(), QSize(100, 23));
        QCOMPARE(button.Style(), TLbSpeedButtonStyle::bsNormal);
        QCOMPARE(button.Layout(), TLbSpeedButtonLayout::blGlyphLeft);
        QCOMPARE(button.Alignment(), Qt::AlignLeft);
        QCOMPARE(button.LightColor(), QColor(Qt::white));
        QCOMPARE(button.ShadowColor(), QColor(Qt::black));
        QVERIFY(!button.HotTrackColor().isValid());
        QVERIFY(!button.ColorWhenDown().isValid());
        QCOMPARE(button.HotTrackFont(), m_host->font());
        QCOMPARE(button.NumGlyphs(), 0);
        QCOMPARE(button.GroupIndex(), 0);
        QVERIFY(!button.Down() && !button.Flat() && !button.Transparent() && !button.SlowDecease());
        QVERIFY(!button.WordWrap() && !button.UseHotTrackFont() && !button.AllowAllUp());
    }

    void disabledButtonStaysUnlitAndShowsCellOne_data() {
        QTest::addColumn<int>("cells");
        QTest::newRow("two cells") << 2;
        QTest::newRow("one cell: no picture") << 1;
    }
    void disabledButtonStaysUnlitAndShowsCellOne() {
        QFETCH(int, cells);
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        button->setColor(Qt::gray);
        button->setHotTrackColor(Qt::yellow);
        button->setCaption("Hallo");
        button->setGlyph(twoCellGlyph(cells));
        button->setNumGlyphs(cells);
        const QPoint facePoint(88, 3);

        // Enabled, for contrast: lights up and shows cell 0 (its ground keyed out).
        sendEnter(button);
        QImage image = shot(button);
        QCOMPARE(image.pixelColor(facePoint), QColor(Qt::yellow));
        QVERIFY(countColour(image, Qt::blue) > 0);
        QCOMPARE(countColour(image, Qt::magenta), 0);
        QVERIFY(countColour(image, CaptionColour) > 0);
        sendLeave(button);

        button->setEnabled(false);
        QSignalSpy entered(button, &TLbSpeedButton::OnMouseEnter);
        sendEnter(button);
        QCOMPARE(button->lightLevel(), 0);
        QVERIFY(!button->isHot());
        QCOMPARE(entered.count(), 0);
        image = shot(button);
        QCOMPARE(image.pixelColor(facePoint), QColor(Qt::gray));
        QCOMPARE(countColour(image, Qt::blue), 0);
        QCOMPARE(countColour(image, Qt::magenta), 0);
        QCOMPARE(countColour(image, Qt::green) > 0, cells > 1);
        QCOMPARE(countColour(image, CaptionColour), 0);
        QVERIFY(countColour(image, QColor(0x80, 0x80, 0x80)) > 0);
    }

    void disabledButtonTakesNoMouseInput() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        button->setEnabled(false);
        QSignalSpy down(button, &TLbSpeedButton::OnMouseDown);
        QSignalSpy clicked(button, &TLbSpeedButton::OnClick);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(down.count(), 0);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(!button->Down());
    }

    // Without a hot track colour only the caption font changes and, on a flat
    // bsNormal button, the frame appears.
    void enteringWithoutHotTrackColour_data() {
        QTest::addColumn<TLbSpeedButtonStyle>("style");
        QTest::addColumn<bool>("flat");
        QTest::newRow("flat bsNormal") << TLbSpeedButtonStyle::bsNormal << true;
        QTest::newRow("bsModern") << TLbSpeedButtonStyle::bsModern << false;
    }
    void enteringWithoutHotTrackColour() {
        QFETCH(TLbSpeedButtonStyle, style);
        QFETCH(bool, flat);
        auto* button = makeButton(style);
        button->setFlat(flat);
        button->setColor(QColor(0x20, 0x90, 0x20));
        button->setLightColor(QColor(0xC0, 0xFF, 0xC0));
        button->setShadowColor(QColor(0x00, 0x40, 0x00));
        button->setCaption("Zw.Zeit");
        button->setUseHotTrackFont(true);
        button->setHotTrackFont(crispFont(15, true));

        const QImage before = shot(button);
        sendEnter(button);
        QVERIFY(button->isHot());
        const QImage after = shot(button);

        QVERIFY(maskOfColour(before, CaptionColour) != maskOfColour(after, CaptionColour));
        const int w = before.width();
        const int h = before.height();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QColor a = before.pixelColor(x, y);
                const QColor b = after.pixelColor(x, y);
                const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                if (a != b && !(a == CaptionColour || b == CaptionColour) && !(flat && edge))
                    QFAIL(qPrintable(QString("pixel %1,%2 changed").arg(x).arg(y)));
            }
        }
        if (flat) {
            QCOMPARE(before.pixelColor(0, h / 2), QColor(0x20, 0x90, 0x20));
            QCOMPARE(after.pixelColor(0, h / 2), QColor(0xC0, 0xFF, 0xC0));
            QCOMPARE(after.pixelColor(w - 1, h / 2), QColor(0x00, 0x40, 0x00));
        }
    }

    void leavingWithoutSlowDeceaseUnlightsAtOnce() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        button->setHotTrackColor(Qt::yellow);
        QSignalSpy exited(button, &TLbSpeedButton::OnMouseExit);
        sendEnter(button);
        QCOMPARE(button->lightLevel(), LbFullLight);
        sendLeave(button);
        QCOMPARE(button->lightLevel(), 0);
        QVERIFY(!button->isFading());
        QCOMPARE(exited.count(), 1);
        QCOMPARE(shot(button).pixelColor(88, 3), button->Color());
    }

    // Each fade step repaints once; the face goes from the hot colour back to
    // Color in eight steps and the caption font is the normal one at once.
    void slowDeceaseFadesInEightRepaints() {
        const QColor color(0x10, 0x20, 0x30);
        const QColor hot(0xF0, 0xE0, 0xD0);
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        button->setColor(color);
        button->setHotTrackColor(hot);
        button->setSlowDecease(true);
        button->setCaption("FINISH");
        button->setUseHotTrackFont(true);
        button->setHotTrackFont(crispFont(15, true));
        const QImage normalCaption = maskOfColour(shot(button), CaptionColour);

        sendEnter(button);
        QImage image = shot(button);
        QCOMPARE(image.pixelColor(88, 3), hot);
        QVERIFY(maskOfColour(image, CaptionColour) != normalCaption);

        PaintLog log(button);
        sendLeave(button);
        QVERIFY(button->isFading());
        for (int step = 1; step <= 8; ++step) {
            log.levels.clear();
            button->fadeStep();
            QCOMPARE(log.levels, QList<int>{8 - step});
            QCOMPARE(button->isFading(), step < 8);
            image = shot(button);
            const auto mix = [step](int c, int h) { return (c * step + h * (8 - step)) / 8; };
            const QColor expected(mix(color.red(), hot.red()), mix(color.green(), hot.green()),
                                  mix(color.blue(), hot.blue()));
            QCOMPARE(image.pixelColor(88, 3), expected);
            QCOMPARE(maskOfColour(image, CaptionColour), normalCaption);
        }
        QCOMPARE(image.pixelColor(88, 3), color);
    }

    void fadeRunsOnItsTimer() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        button->setHotTrackColor(Qt::yellow);
        button->setSlowDecease(true);
        sendEnter(button);
        QCoreApplication::processEvents(); // the enter's own repaint

        PaintLog log(button);
        QElapsedTimer clock;
        clock.start();
        sendLeave(button);
        QTRY_VERIFY_WITH_TIMEOUT(!button->isFading(), 5000);
        QCOMPARE(log.levels, (QList<int>{7, 6, 5, 4, 3, 2, 1, 0}));
        QVERIFY(clock.elapsed() >= 7 * TLbSpeedButton::FadeIntervalMs);
    }

    void enteringDuringFadeStaysLit() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        button->setHotTrackColor(Qt::yellow);
        button->setSlowDecease(true);
        sendEnter(button);
        sendLeave(button);
        button->fadeStep();
        button->fadeStep();
        QCOMPARE(button->lightLevel(), 6);
        sendEnter(button);
        QCOMPARE(button->lightLevel(), LbFullLight);
        QVERIFY(!button->isFading());
    }

    void switchingSlowDeceaseOffStopsTheFade() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        button->setSlowDecease(true);
        sendEnter(button);
        sendLeave(button);
        QVERIFY(button->isFading());
        button->setSlowDecease(false);
        QVERIFY(!button->isFading());
        QCOMPARE(button->lightLevel(), 0);
    }

    void pressedModernButtonShiftsCaptionAndDarkensInnerRectangle() {
        const QColor face(0x00, 0x80, 0x00);
        const QColor shadow(0x00, 0x00, 0x60);
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        button->setColor(face);
        button->setLightColor(QColor(0xC0, 0xFF, 0xC0));
        button->setShadowColor(shadow);
        button->setCaption("START");
        button->setAlignment(Qt::AlignHCenter);

        const QImage up = shot(button);
        button->setDown(true);
        const QImage down = shot(button);

        QCOMPARE(up.pixelColor(1, 16), face);
        QCOMPARE(up.pixelColor(46, 1), face);
        QCOMPARE(down.pixelColor(1, 16), shadow);
        QCOMPARE(down.pixelColor(46, 1), shadow);
        QCOMPARE(down.pixelColor(90, 16), shadow);
        // The turn of the gradient, a quarter down, moves down with the press.
        for (int offset : {0, 1}) {
            const QImage& image = offset ? down : up;
            const int middle = 33 / 4 + offset;
            const auto upper = lbGradientBands(2, middle, button->LightColor(), face);
            const auto lower = lbGradientBands(middle, 32, face, button->LightColor());
            for (int y = 2; y < 31; ++y) // row 31 is the inner rectangle
                QCOMPARE(image.pixelColor(8, y), rowColour(y < middle ? upper : lower, y));
        }

        const QRect upCaption = boundsOfColour(up, CaptionColour);
        QVERIFY(!upCaption.isEmpty());
        QCOMPARE(boundsOfColour(down, CaptionColour), upCaption.translated(1, 1));
        QCOMPARE(maskOfColour(down, CaptionColour).copy(upCaption.translated(1, 1)),
                 maskOfColour(up, CaptionColour).copy(upCaption));
    }

    void normalFrameSwapsWhenPressed() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        const QColor light(0xEE, 0xEE, 0xEE);
        const QColor shadow(0x44, 0x44, 0x44);
        button->setLightColor(light);
        button->setShadowColor(shadow);
        QImage image = shot(button);
        QCOMPARE(image.pixelColor(0, 16), light);
        QCOMPARE(image.pixelColor(46, 0), light);
        QCOMPARE(image.pixelColor(91, 16), shadow);
        QCOMPARE(image.pixelColor(46, 32), shadow);
        button->setDown(true);
        image = shot(button);
        QCOMPARE(image.pixelColor(0, 16), shadow);
        QCOMPARE(image.pixelColor(91, 16), light);
    }

    void longCaptionIsCutWithoutWordWrap() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal, QSize(60, 23));
        const QString caption = "WWWWWWWWWW";
        button->setCaption(caption);
        const int room = 60 - 8;
        const QImage cut = shot(button);
        const QRect drawn = boundsOfColour(cut, CaptionColour);
        QVERIFY(!drawn.isEmpty());
        QVERIFY(drawn.right() < 4 + room);

        // The cut keeps every character that fits: the same picture as the
        // longest prefix that fits, drawn uncut.
        const QFontMetrics metrics(m_host->font());
        QString fits = caption;
        while (metrics.horizontalAdvance(fits) > room)
            fits.chop(1);
        QVERIFY(fits.size() > 1 && fits.size() < caption.size());
        auto* reference = makeButton(TLbSpeedButtonStyle::bsNormal, QSize(60, 23));
        reference->setCaption(fits);
        QCOMPARE(maskOfColour(shot(reference), CaptionColour), maskOfColour(cut, CaptionColour));

        // With word wrap nothing is cut: the caption breaks onto a second line.
        auto* wrapped = makeButton(TLbSpeedButtonStyle::bsNormal, QSize(60, 40));
        wrapped->setCaption("WWW WWW");
        QVERIFY(metrics.horizontalAdvance(wrapped->Caption()) > room);
        QVERIFY(boundsOfColour(shot(wrapped), CaptionColour).height() < metrics.height());
        wrapped->setWordWrap(true);
        QVERIFY(boundsOfColour(shot(wrapped), CaptionColour).height() > metrics.height());
    }

    void modernCornersShowTheParent() {
        const QColor shadow(0x00, 0x40, 0x00);
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        button->setColor(QColor(0x00, 0x80, 0x00));
        button->setShadowColor(shadow);
        const QImage image = shot(button);
        const int r = image.width() - 1;
        const int b = image.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b)}) {
            const int dx = corner.x() == 0 ? 1 : -1;
            const int dy = corner.y() == 0 ? 1 : -1;
            QCOMPARE(image.pixelColor(corner), HostColour);
            QCOMPARE(image.pixelColor(corner + QPoint(dx, 0)), HostColour);
            QCOMPARE(image.pixelColor(corner + QPoint(0, dy)), HostColour);
            QCOMPARE(image.pixelColor(corner + QPoint(dx, dy)), shadow);
            QCOMPARE(image.pixelColor(corner + QPoint(2 * dx, 0)), shadow);
            QCOMPARE(image.pixelColor(corner + QPoint(0, 2 * dy)), shadow);
        }
        QCOMPARE(image.pixelColor(46, 0), shadow);
        QCOMPARE(image.pixelColor(0, 16), shadow);
    }

    void transparentFlatButtonShowsOnlyItsPicture() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal, QSize(32, 32));
        button->setFlat(true);
        button->setTransparent(true);
        button->setGlyph(twoCellGlyph(1));
        button->setNumGlyphs(1);
        QImage image = shot(button);
        QCOMPARE(countColour(image, Qt::blue), 100);
        QCOMPARE(countColour(image, HostColour), 32 * 32 - 100);

        sendEnter(button); // the frame comes up, the face stays see-through
        image = shot(button);
        QCOMPARE(image.pixelColor(0, 16), QColor(Qt::white));
        QCOMPARE(image.pixelColor(31, 16), QColor(Qt::black));
        QCOMPARE(image.pixelColor(5, 20), HostColour);
    }

    void downReleasesTheGroupOnTheSameParent() {
        auto* a = makeButton(TLbSpeedButtonStyle::bsNormal);
        auto* b = makeButton(TLbSpeedButtonStyle::bsNormal);
        auto* otherGroup = makeButton(TLbSpeedButtonStyle::bsNormal);
        QWidget otherParent;
        TLbSpeedButton elsewhere(&otherParent);
        for (TLbSpeedButton* button : {a, b, &elsewhere})
            button->setGroupIndex(1);
        otherGroup->setGroupIndex(2);
        a->setDown(true);
        otherGroup->setDown(true);
        elsewhere.setDown(true);

        b->setDown(true);
        QVERIFY(!a->Down());
        QVERIFY(b->Down());
        QVERIFY(otherGroup->Down());
        QVERIFY(elsewhere.Down());
    }

    void pressOnGroupedDownButton_data() {
        QTest::addColumn<bool>("allowAllUp");
        QTest::newRow("stays down") << false;
        QTest::newRow("all up allowed") << true;
    }
    void pressOnGroupedDownButton() {
        QFETCH(bool, allowAllUp);
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        button->setGroupIndex(3);
        button->setAllowAllUp(allowAllUp);
        QSignalSpy clicked(button, &TLbSpeedButton::OnClick);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(button->Down()); // a grouped button stays down after the release
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(button->Down(), !allowAllUp);
        QCOMPARE(clicked.count(), 2);
    }

    void clickNeedsReleaseInside() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        QSignalSpy clicked(button, &TLbSpeedButton::OnClick);
        QSignalSpy up(button, &TLbSpeedButton::OnMouseUp);
        bool downDuringClick = true;
        connect(button, &TLbSpeedButton::OnClick, this, [&] { downDuringClick = button->Down(); });

        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(button->Down());
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(!button->Down());
        QCOMPARE(clicked.count(), 1);
        QVERIFY(!downDuringClick); // drawn up before the click's handler runs
        QCOMPARE(up.count(), 1);

        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 10));
        QVERIFY(!button->Down());
        QCOMPARE(clicked.count(), 1);
    }

    void mouseDownReportsEveryButton() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        QSignalSpy down(button, &TLbSpeedButton::OnMouseDown);
        QSignalSpy clicked(button, &TLbSpeedButton::OnClick);
        QTest::mousePress(button, Qt::RightButton, Qt::ShiftModifier, QPoint(7, 8));
        QCOMPARE(down.count(), 1);
        QCOMPARE(down[0][0].value<Qt::MouseButton>(), Qt::RightButton);
        QCOMPARE(down[0][1].value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
        QCOMPARE(down[0][2].toPoint(), QPoint(7, 8));
        QVERIFY(!button->Down());
        QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(7, 8));
        QCOMPARE(clicked.count(), 0);

        // A double click is a second press.
        down.clear();
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(7, 8));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(7, 8));
        QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(7, 8));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(7, 8));
        QCOMPARE(down.count(), 2);
        QCOMPARE(clicked.count(), 2);
    }

    // The run buttons act on mouse down and disable themselves there: such a
    // button must not stay pressed or click afterwards.
    void mouseDownHandlerMayDisableTheButton() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        connect(button, &TLbSpeedButton::OnMouseDown, button, [button] { button->setEnabled(false); });
        QSignalSpy clicked(button, &TLbSpeedButton::OnClick);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 10));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(!button->Down());
        QCOMPARE(clicked.count(), 0);
        button->setEnabled(true);
        QVERIFY(!button->Down());
    }

    void disablingBetweenPressAndReleaseLeavesTheButtonUp() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsModern);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 10));
        QVERIFY(button->Down());
        button->setEnabled(false);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 10));
        button->setEnabled(true);
        QVERIFY(!button->Down());
    }

    void acceleratorClicksDrawnPressed() {
        auto* button = makeButton(TLbSpeedButtonStyle::bsNormal);
        button->setCaption("H&ilfe");
        m_host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_host));
        QSignalSpy clicked(button, &TLbSpeedButton::OnClick);
        QImage duringClick;
        connect(button, &TLbSpeedButton::OnClick, this, [&] { duringClick = shot(button); });

        QTest::keyClick(m_host, Qt::Key_I, Qt::AltModifier);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(!button->Down());
        QCOMPARE(duringClick.pixelColor(0, 16), QColor(Qt::black)); // the frame of a pressed button

        button->setEnabled(false);
        QTest::keyClick(m_host, Qt::Key_I, Qt::AltModifier);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestLbSpeedButton)
#include "test_lb_speed_button.moc"
