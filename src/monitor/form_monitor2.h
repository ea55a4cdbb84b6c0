#pragma once

#include <QWidget>

// The spectators' display: a borderless, stay-on-top window that will fill one
// monitor with a scaled copy of the main window's digit panel. Created hidden once
// at start, fourth of the program's windows, and kept until the program ends; for
// now it holds no controls. GUI thread only.
class TFormMonitor2 : public QWidget {
    Q_OBJECT

public:
    explicit TFormMonitor2(QWidget* parent = nullptr);
};
