// Paints the title bar's background picture stretched over its whole width.

#include "app/title_bar.h"

#include <QPainter>

TitleBar::TitleBar(const QString& backgroundResource, QWidget* parent)
    : QWidget(parent), m_background(backgroundResource) {
    setObjectName(QStringLiteral("Panel1"));
    setFixedHeight(barHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TitleBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_background.render(&painter, rect());
}
