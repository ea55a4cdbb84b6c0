// The main window's status bar: four sunken text panels, none of whose digits is ever cut off.

#pragma once

#include <QFrame>

#include <array>

class QLabel;

// The main window's status bar StatusBar1: four sunken text panels side by side,
// each with its own width and alignment, laid out by the window's resize rule; the
// last one always reaches the bar's right edge. A short panel whose text is wider
// than its width (the position "2716:5007", the window size "1000x700") is drawn
// as wide as its text, taken from the message panel 2, so no digit is cut off.
// GUI thread only.
class StatusPanels : public QFrame {
    Q_OBJECT

public:
    static constexpr int panelCount = 4;
    static constexpr int barHeight = 19;
    static constexpr int gap = 1;
    static constexpr int messagePanel = 2; // gives way to the others' texts

    explicit StatusPanels(QWidget* parent = nullptr);

    QLabel* panel(int index) const { return m_panels[static_cast<std::size_t>(index)]; }
    int panelWidth(int index) const { return m_widths[static_cast<std::size_t>(index)]; }
    void setPanelWidth(int index, int width);
    void setPanelText(int index, const QString& text);
    QString panelText(int index) const;
    void setPanelAlignment(int index, Qt::Alignment alignment);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePanels();
    // Width the panel's text needs, frame and indent included.
    int textWidth(int index) const;

    std::array<QLabel*, panelCount> m_panels{};
    std::array<int, panelCount> m_widths{50, 50, 50, 50};
};
