#include "app/status_panels.h"

#include <QLabel>

#include <algorithm>

StatusPanels::StatusPanels(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(barHeight);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    setFont(font);
    for (auto& panel : m_panels) {
        panel = new QLabel(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        panel->setIndent(1);
    }
    placePanels();
}

void StatusPanels::setPanelWidth(int index, int width) {
    m_widths[static_cast<std::size_t>(index)] = width;
    placePanels();
}

void StatusPanels::setPanelText(int index, const QString& text) {
    panel(index)->setText(text);
}

QString StatusPanels::panelText(int index) const {
    return panel(index)->text();
}

void StatusPanels::setPanelAlignment(int index, Qt::Alignment alignment) {
    panel(index)->setAlignment(alignment | Qt::AlignVCenter);
}

void StatusPanels::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    placePanels();
}

void StatusPanels::placePanels() {
    int left = 0;
    for (int i = 0; i < panelCount; ++i) {
        int width = std::max(0, m_widths[static_cast<std::size_t>(i)]);
        // The last panel reaches the bar's right edge, whatever its own width.
        if (i == panelCount - 1)
            width = std::max(width, this->width() - left);
        m_panels[static_cast<std::size_t>(i)]->setGeometry(left, 1, width, barHeight - 1);
        left += width + gap;
    }
}
