// The status bar's four panels laid out side by side, a short panel widening into its
// neighbour when its text needs it.

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
    if (panel(index)->text() == text)
        return;
    panel(index)->setText(text);
    placePanels();
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

int StatusPanels::textWidth(int index) const {
    const QLabel* label = panel(index);
    return label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->frameWidth() + 2 * label->indent() + 2;
}

void StatusPanels::placePanels() {
    std::array<int, panelCount> widths{};
    int grown = 0;
    for (int i = 0; i < panelCount; ++i) {
        widths[static_cast<std::size_t>(i)] = std::max(0, m_widths[static_cast<std::size_t>(i)]);
        if (i == messagePanel)
            continue;
        const int need = textWidth(i);
        if (need > widths[static_cast<std::size_t>(i)]) {
            grown += need - widths[static_cast<std::size_t>(i)];
            widths[static_cast<std::size_t>(i)] = need;
        }
    }
    widths[messagePanel] = std::max(0, widths[messagePanel] - grown);
    int left = 0;
    for (int i = 0; i < panelCount; ++i) {
        int width = widths[static_cast<std::size_t>(i)];
        // The last panel reaches the bar's right edge, whatever its own width.
        if (i == panelCount - 1)
            width = std::max(width, this->width() - left);
        m_panels[static_cast<std::size_t>(i)]->setGeometry(left, 1, width, barHeight - 1);
        left += width + gap;
    }
}
