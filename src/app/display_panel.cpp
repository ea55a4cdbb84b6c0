#include "app/display_panel.h"

#include "controls/bgr_color.h"
#include "controls/digit.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

namespace {

// Colours of the display as 0x00BBGGRR words.
constexpr quint32 dimColour = DisplayState::dimColour;
constexpr quint32 runColour = DisplayState::runColour;
constexpr quint32 resultColour = DisplayState::resultColour;
constexpr quint32 startColour = DisplayState::startColour;
constexpr quint32 nextColour = DisplayState::nextColour;

constexpr int upperTop = 52;
constexpr int lowerTop = 184;
constexpr int separatorTop = 79;
constexpr int lowerSeparatorTop = 211;

TDigit* makeDigit(QWidget* parent, int left, int top, quint32 colour) {
    auto* digit = new TDigit(parent);
    digit->setGeometry(left, top, 45, 89);
    digit->setColor(Qt::black);
    digit->setColorOff(Qt::black);
    digit->setColorOn(colorFromBgr(colour));
    digit->setThickness(5);
    digit->setSeparation(1);
    return digit;
}

void setTextColour(QWidget* widget, QPalette::ColorRole role, quint32 colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colorFromBgr(colour));
    widget->setPalette(palette);
}

QLabel* makeSeparator(QWidget* parent, const QString& text, int left, int top, quint32 colour) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(left, top, 25, 81);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(64); // size 48 at 96 dpi
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(label, QPalette::WindowText, colour);
    return label;
}

QLabel* makeCaption(QWidget* parent, const QString& text, QRect bounds, quint32 colour) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(bounds);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(17);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextColour(label, QPalette::WindowText, colour);
    return label;
}

QSpinBox* makeStartNumber(QWidget* parent, QRect bounds, int value, quint32 colour) {
    auto* edit = new QSpinBox(parent);
    edit->setGeometry(bounds);
    edit->setRange(1, 9999); // at most four characters
    edit->setValue(value);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(17);
    font.setBold(true);
    edit->setFont(font);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, colorFromBgr(dimColour));
    palette.setColor(QPalette::Text, colorFromBgr(colour));
    palette.setColor(QPalette::Button, colorFromBgr(dimColour));
    palette.setColor(QPalette::ButtonText, colorFromBgr(colour));
    edit->setPalette(palette);
    return edit;
}

QComboBox* makeSelector(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setGeometry(4, 153, 300, 26);
    combo->addItems({QStringLiteral("End-Zeit"), QStringLiteral("Max. End-Geschwindigkeit"),
                     QStringLiteral("Durchschnittsgeschwindigkeit")});
    combo->setCurrentIndex(0);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setBold(true);
    font.setItalic(true);
    combo->setFont(font);
    QPalette palette = combo->palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
        palette.setColor(role, colorFromBgr(dimColour));
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(role, colorFromBgr(resultColour));
    combo->setPalette(palette);
    return combo;
}

} // namespace

DisplayPanel::DisplayPanel(QWidget* parent)
    : QFrame(parent), LabelStartN1(makeCaption(this, QStringLiteral("Start-Nr.:"), {8, 10, 90, 28}, startColour)),
      editStartN1(makeStartNumber(this, {100, 10, 76, 28}, 1, startColour)),
      LabelStartN2(makeCaption(this, QStringLiteral("Bereit:"), {232, 10, 70, 28}, nextColour)),
      editStartN2(makeStartNumber(this, {304, 10, 76, 28}, 2, nextColour)),
      Digit10M(makeDigit(this, 4, upperTop, dimColour)), Digit4(makeDigit(this, 52, upperTop, dimColour)),
      LabMin(makeSeparator(this, QStringLiteral("."), 108, separatorTop, dimColour)),
      Digit5(makeDigit(this, 132, upperTop, dimColour)), Digit6(makeDigit(this, 180, upperTop, runColour)),
      LabSec(makeSeparator(this, QStringLiteral(","), 236, separatorTop, runColour)),
      Digit7(makeDigit(this, 260, upperTop, runColour)), Digit8(makeDigit(this, 308, upperTop, dimColour)),
      Digit9(makeDigit(this, 356, upperTop, dimColour)), cbParam2(makeSelector(this)),
      LabelTime2(new QLabel(QStringLiteral("Zwischenzeit:"), this)), Digit1(makeDigit(this, 36, lowerTop, dimColour)),
      Digit2(makeDigit(this, 84, lowerTop, dimColour)), Digit3(makeDigit(this, 132, lowerTop, resultColour)),
      LabSec2(makeSeparator(this, QStringLiteral(","), 188, lowerSeparatorTop, resultColour)),
      Digit0(makeDigit(this, 212, lowerTop, resultColour)), Digit10(makeDigit(this, 260, lowerTop, resultColour)),
      Digit20(makeDigit(this, 308, lowerTop, resultColour)) {
    setObjectName(QStringLiteral("PanelDisplay"));
    setFixedSize(panelWidth, panelHeight);
    setFrameShape(QFrame::NoFrame);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setPointSize(14);
    captionFont.setBold(true);
    LabelTime2->setFont(captionFont);
    LabelTime2->hide();

    Digit1->hide();
    Digit2->hide();
}

DisplayDigits DisplayPanel::displayDigits() const {
    DisplayDigits controls;
    controls.digits = {Digit10M, Digit4, Digit5, Digit6, Digit7,  Digit8, Digit9,
                       Digit1,   Digit2, Digit3, Digit0, Digit10, Digit20};
    controls.LabMin = LabMin;
    controls.LabSec = LabSec;
    controls.LabSec2 = LabSec2;
    return controls;
}
