// Builds the main window's digit panel at its fixed positions.

#include "display/display_panel.h"

#include "controls/bgr_color.h"
#include "controls/digit.h"
#include "display/display_state.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include <utility>

namespace {

constexpr int upperTop = 52;
constexpr int lowerTop = 184;
constexpr int separatorTop = 79;
constexpr int lowerSeparatorTop = 211;

QLabel* makeSeparator(QWidget* parent, const QString& text, int left, int top, quint32 colour) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(left, top, 25, 81);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(64); // size 48 at 96 dpi
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setBgrColour(label, QPalette::WindowText, colour);
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
    setBgrColour(label, QPalette::WindowText, colour);
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
    palette.setColor(QPalette::Base, colorFromBgr(DisplayState::dimColour));
    palette.setColor(QPalette::Text, colorFromBgr(colour));
    palette.setColor(QPalette::Button, colorFromBgr(DisplayState::dimColour));
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
        palette.setColor(role, colorFromBgr(DisplayState::dimColour));
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(role, colorFromBgr(DisplayState::resultColour));
    combo->setPalette(palette);
    return combo;
}

} // namespace

DisplayPanel::DisplayPanel(QWidget* parent)
    : QFrame(parent),
      LabelStartN1(makeCaption(this, QStringLiteral("Start-Nr.:"), {8, 10, 90, 28}, DisplayState::startColour)),
      editStartN1(makeStartNumber(this, {100, 10, 76, 28}, 1, DisplayState::startColour)),
      LabelStartN2(makeCaption(this, QStringLiteral("Bereit:"), {232, 10, 70, 28}, DisplayState::nextColour)),
      editStartN2(makeStartNumber(this, {304, 10, 76, 28}, 2, DisplayState::nextColour)), cbParam2(makeSelector(this)),
      LabelTime2(new QLabel(QStringLiteral("Zwischenzeit:"), this)),
      LabelStartName(makeCaption(this, QString(), {8, 36, 370, 16}, DisplayState::startColour)),
      LabelLowerShows(makeCaption(this, QString(), {308, 153, 100, 26}, DisplayState::resultColour)) {
    // The upper row, the selector and caption, the lower row: raising keeps that child order.
    Digit10M = makeDisplayDigit(this, DisplayState::dimColour, 4, upperTop);
    Digit4 = makeDisplayDigit(this, DisplayState::dimColour, 52, upperTop);
    LabMin = makeSeparator(this, QStringLiteral("."), 108, separatorTop, DisplayState::dimColour);
    Digit5 = makeDisplayDigit(this, DisplayState::dimColour, 132, upperTop);
    Digit6 = makeDisplayDigit(this, DisplayState::runColour, 180, upperTop);
    LabSec = makeSeparator(this, QStringLiteral(","), 236, separatorTop, DisplayState::runColour);
    Digit7 = makeDisplayDigit(this, DisplayState::runColour, 260, upperTop);
    Digit8 = makeDisplayDigit(this, DisplayState::dimColour, 308, upperTop);
    Digit9 = makeDisplayDigit(this, DisplayState::dimColour, 356, upperTop);
    cbParam2->raise();
    LabelTime2->raise();
    Digit1 = makeDisplayDigit(this, DisplayState::dimColour, 36, lowerTop);
    Digit2 = makeDisplayDigit(this, DisplayState::dimColour, 84, lowerTop);
    Digit3 = makeDisplayDigit(this, DisplayState::resultColour, 132, lowerTop);
    LabSec2 = makeSeparator(this, QStringLiteral(","), 188, lowerSeparatorTop, DisplayState::resultColour);
    Digit0 = makeDisplayDigit(this, DisplayState::resultColour, 212, lowerTop);
    Digit10 = makeDisplayDigit(this, DisplayState::resultColour, 260, lowerTop);
    Digit20 = makeDisplayDigit(this, DisplayState::resultColour, 308, lowerTop);

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

    QFont small = LabelStartName->font();
    small.setPixelSize(13);
    LabelStartName->setFont(small);
    LabelStartName->setObjectName(QStringLiteral("LabelStartName"));
    LabelLowerShows->setFont(small);
    LabelLowerShows->setObjectName(QStringLiteral("LabelLowerShows"));
}

void DisplayPanel::renderCaptions(const DisplayState& state) {
    LabelStartName->setText(state.StartName());
    // The spectator's long caption in the protocol's short words, which fit beside the selector.
    QString shows = state.LabelTime2().trimmed();
    if (shows.endsWith(u':'))
        shows.chop(1);
    static const std::pair<QLatin1StringView, QString> shortWords[] = {
        {QLatin1StringView("Zwischen Zeit"), QStringLiteral("Zw.Zeit")},
        {QLatin1StringView("Max. End-Geschwindigkeit"), QStringLiteral("Vmax")},
        {QLatin1StringView("Durchschnittsgeschwindigkeit"), QStringLiteral("Ø-km/h")},
    };
    for (const auto& [caption, word] : shortWords)
        if (shows == caption)
            shows = word;
    LabelLowerShows->setText(shows);
}
