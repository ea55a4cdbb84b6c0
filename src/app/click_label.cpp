// The click label's mouse handling: a click counts only when the left button is released
// over the label it was pressed on.

#include "app/click_label.h"

#include <QMouseEvent>

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    m_armed = event->button() == Qt::LeftButton;
    emit pressed();
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_armed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_armed = false;
    event->accept();
    if (click)
        emit clicked();
}
