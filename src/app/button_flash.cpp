// The flashing timer of a run button, and the look given back when the flashing stops.

#include "app/button_flash.h"

#include "controls/lb_speed_button.h"

ButtonFlash::ButtonFlash(TLbSpeedButton* button, QColor flashColour, std::function<void()> restore, QObject* parent)
    : QObject(parent), m_button(button), m_flashColour(flashColour), m_restore(std::move(restore)) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ButtonFlash::toggle);
}

void ButtonFlash::setFlashing(bool flashing) {
    if (flashing == m_timer.isActive())
        return;
    if (flashing) {
        m_lit = false;
        m_timer.start();
        toggle();
        return;
    }
    m_timer.stop();
    m_lit = false;
    m_restore();
}

void ButtonFlash::toggle() {
    if (!m_lit)
        m_ownColour = m_button->Color();
    m_lit = !m_lit;
    m_button->setColor(m_lit ? m_flashColour : m_ownColour);
}
