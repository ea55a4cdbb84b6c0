// Setting the display state's digits and captions from times and texts.

#include "display/display_state.h"

namespace {

constexpr quint32 lowerPair[2] = {DisplayState::dimColour, DisplayState::resultColour};

} // namespace

DisplayState::DisplayState(QObject* parent) : QObject(parent) {
    // Design look: only the settled places of a zero time are lit.
    const std::pair<DigitId, quint32> design[] = {
        {DigitId::Digit10M, dimColour},   {DigitId::Digit4, dimColour},    {DigitId::Digit5, dimColour},
        {DigitId::Digit6, runColour},     {DigitId::Digit7, runColour},    {DigitId::Digit8, dimColour},
        {DigitId::Digit9, dimColour},     {DigitId::Digit1, dimColour},    {DigitId::Digit2, dimColour},
        {DigitId::Digit3, resultColour},  {DigitId::Digit0, resultColour}, {DigitId::Digit10, resultColour},
        {DigitId::Digit20, resultColour},
    };
    for (const auto& [id, colour] : design)
        at(id).colorOn = colour;
    at(DigitId::Digit1).visible = false;
    at(DigitId::Digit2).visible = false;
}

void DisplayState::showTime(int panel, qint32 ms, bool clockRunning) {
    if (ms < 0)
        ms = 0;
    if (panel == UpperPanel)
        showUpper(ms, clockRunning);
    else if (panel == LowerPanel)
        showLower(ms);
    notify();
}

void DisplayState::showUpper(qint32 ms, bool clockRunning) {
    const int frac = ms % 1000;
    const int minutes = (ms / 60000) % 60;
    const int secs = (ms / 1000) % 60;

    setDigit(DigitId::Digit10M, minutes / 10, minutes > 9 ? runColour : dimColour);
    const quint32 minuteColour = minutes > 0 ? runColour : dimColour;
    setDigit(DigitId::Digit4, minutes % 10, minuteColour);
    setLabMinColor(minuteColour);
    setDigit(DigitId::Digit5, secs / 10, minutes + secs / 10 > 0 ? runColour : dimColour);
    setDigit(DigitId::Digit6, secs % 10, digit(DigitId::Digit6).colorOn);
    setDigit(DigitId::Digit7, frac / 100, digit(DigitId::Digit7).colorOn);
    // The running clock shows tenths only; the places below would flicker.
    if (clockRunning) {
        setDigit(DigitId::Digit8, 0, dimColour);
        setDigit(DigitId::Digit9, 0, dimColour);
    } else {
        setDigit(DigitId::Digit8, (frac / 10) % 10, runColour);
        setDigit(DigitId::Digit9, frac % 10, runColour);
    }
}

void DisplayState::showLower(qint32 ms) {
    const int frac = ms % 1000;
    const int secs = ms / 1000;
    const int hundreds = secs / 100;

    const int d1 = hundreds % 10;
    setDigit(DigitId::Digit1, d1, lowerPair[hundreds > 0 ? 1 : 0]);
    setVisible(DigitId::Digit1, d1 > 0);
    const int d2 = (secs / 10) % 10;
    setDigit(DigitId::Digit2, d2, lowerPair[hundreds + d2 > 0 ? 1 : 0]);
    setVisible(DigitId::Digit2, secs > 9);
    setDigit(DigitId::Digit3, secs % 10, digit(DigitId::Digit3).colorOn);
    setDigit(DigitId::Digit0, frac / 100, digit(DigitId::Digit0).colorOn);
    setDigit(DigitId::Digit10, (frac / 10) % 10, digit(DigitId::Digit10).colorOn);
    setDigit(DigitId::Digit20, frac % 10, digit(DigitId::Digit20).colorOn);
}

void DisplayState::hideDigit20() {
    setVisible(DigitId::Digit20, false);
    notify();
}

void DisplayState::reset() {
    showUpper(0, false);
    showLower(0);
    setColor(DigitId::Digit6, runColour);
    setColor(DigitId::Digit7, runColour);
    setLabSecColor(runColour);
    setColor(DigitId::Digit8, dimColour);
    setColor(DigitId::Digit9, dimColour);
    for (DigitId id : {DigitId::Digit3, DigitId::Digit0, DigitId::Digit10, DigitId::Digit20})
        setColor(id, resultColour);
    setVisible(DigitId::Digit20, true);
    setCaption(m_labelTime2, QString());
    notify();
}

void DisplayState::setLabelTime2(const QString& caption) {
    setCaption(m_labelTime2, caption);
    notify();
}

void DisplayState::setLabStart1(const QString& caption) {
    setCaption(m_labStart1, caption);
    notify();
}

void DisplayState::setStartName(const QString& name) {
    setCaption(m_startName, name);
    notify();
}

void DisplayState::setLabNext1(const QString& caption) {
    setCaption(m_labNext1, caption);
    notify();
}

void DisplayState::setDigit(DigitId id, int value, quint32 colorOn) {
    DigitState& d = at(id);
    if (d.value == value && d.colorOn == colorOn)
        return;
    d.value = value;
    d.colorOn = colorOn;
    m_dirty = true;
}

void DisplayState::setColor(DigitId id, quint32 colorOn) {
    setDigit(id, digit(id).value, colorOn);
}

void DisplayState::setVisible(DigitId id, bool visible) {
    DigitState& d = at(id);
    if (d.visible == visible)
        return;
    d.visible = visible;
    m_dirty = true;
}

void DisplayState::setLabMinColor(quint32 color) {
    if (m_labMinColor == color)
        return;
    m_labMinColor = color;
    m_dirty = true;
}

void DisplayState::setLabSecColor(quint32 color) {
    if (m_labSecColor == color)
        return;
    m_labSecColor = color;
    m_dirty = true;
}

void DisplayState::setCaption(QString& caption, const QString& text) {
    if (caption == text)
        return;
    caption = text;
    m_dirty = true;
}

void DisplayState::notify() {
    if (!m_dirty)
        return;
    m_dirty = false;
    emit changed();
}
