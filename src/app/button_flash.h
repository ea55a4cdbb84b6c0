#pragma once

// Makes a run button flash to draw the official's eye to it.

#include <QColor>
#include <QObject>
#include <QTimer>

#include <functional>

class TLbSpeedButton;

// Alternates the button's colour with `flashColour` while flashing; when it stops, `restore`
// gives the button back the look the run controller wants. GUI thread.
class ButtonFlash : public QObject {
    Q_OBJECT

public:
    static constexpr int intervalMs = 350;

    ButtonFlash(TLbSpeedButton* button, QColor flashColour, std::function<void()> restore, QObject* parent = nullptr);

    void setFlashing(bool flashing);
    bool isFlashing() const { return m_timer.isActive(); }

private:
    void toggle();

    TLbSpeedButton* m_button;
    QColor m_flashColour;
    QColor m_ownColour;
    bool m_lit = false;
    std::function<void()> m_restore;
    QTimer m_timer;
};
