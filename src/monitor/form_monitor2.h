// The spectators' display: a borderless window on a monitor of its own with a scaled copy of
// the main window's digit panel, showing what that panel shows.

#pragma once

#include "display/display_render.h"
#include "monitor/monitor_layout.h"
#include "platform/screens.h"

#include <QWidget>

#include <functional>

class DisplayState;
class QLabel;
class QScreen;
class TDigit;
struct Settings;

// What the spectator window takes from the main window: the settings ("Monitor",
// "Title"), the attached monitors, the main digit panel's geometry (read at every
// layout) and the display state both panels render.
struct MonitorHost {
    const Settings* settings = nullptr;
    ScreenList screens;
    std::function<MonitorLayoutSource()> source;
    const DisplayState* display = nullptr;
};

// The spectators' display: a borderless, stay-on-top window that fills one monitor
// with a scaled copy of the main window's digit panel. It renders the display state
// the main panel renders, whenever that changes, and otherwise only places and lays
// itself out. Created hidden once at start and kept until the program ends.
// GUI thread only.
class TFormMonitor2 : public QWidget, public DisplayDigitWidgets {
    Q_OBJECT

public:
    explicit TFormMonitor2(MonitorHost host, QWidget* parent = nullptr);

    // Puts the window over the whole monitor of the "Monitor" setting (the primary one
    // when that monitor is not attached) and lays it out again.
    void PlaceOnMonitor();
    QRect ScaleRect(const QRect& rect) const;
    void LayoutDisplay();
    double ScaleX() const { return m_scaleX; }
    double ScaleY() const { return m_scaleY; }
    // Places the window again and announces it; the main window answers with the captions.
    void FormShow();

    QWidget* const Panel1;
    QWidget* const PanelTimer;
    QLabel* const PanelTitle; // the event title
    QWidget* const PanelLab1;
    QLabel* const LabStart1;
    QLabel* const LabNext1;

    QWidget* const PanelLab2;
    QLabel* const LabelTime2;

signals:
    // The window was shown, or re-placed as on showing.
    void shown();
    // The window was hidden.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    // The monitor the window goes on: the setting's, or 0 when that one is not attached.
    int monitorIndex(const QList<QRect>& screens) const;
    void renderDisplay();
    void screenRemoved(QScreen* screen);

    const MonitorHost m_host;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
};
