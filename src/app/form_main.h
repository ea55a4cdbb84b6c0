#pragma once

#include <QMainWindow>

// The official's main window. Lays out the controls and wires them to the run
// controller; all run logic lives in core.
class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
};
