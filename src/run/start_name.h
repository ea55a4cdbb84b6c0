// The competitor's name beside "Start-Nr." on both windows.

#pragma once

#include <QObject>

class DisplayState;
class RunController;
class SortGridData;

// Keeps the display state's start name on the competitor of the run controller's start
// number, from the protocol: it follows the number, and the protocol's names as they are
// typed, loaded or corrected. GUI thread.
class StartNameFollower : public QObject {
    Q_OBJECT

public:
    StartNameFollower(const RunController& controller, const SortGridData& grid, DisplayState& display,
                      QObject* parent = nullptr);

    void update();

private:
    const RunController& m_controller;
    const SortGridData& m_grid;
    DisplayState& m_display;
};
