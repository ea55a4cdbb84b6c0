// Every command of the main window as a QAction with its key, so that keys, buttons and
// menus all go through one place.

#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;

// Every command of the main window as a QAction with its key, on a menu that is
// never shown. Each action is also added to the window, so its shortcut works
// whenever the window is active. The tool buttons forward to the same actions (the run
// buttons to the run controller, which gates them as their items); a disabled action's
// handler never runs, however it is invoked (see clickItem). GUI thread only.
class FormMainCommands : public QObject {
    Q_OBJECT

    // First, so that it is set before the actions are made.
    QWidget* const m_window;

public:
    explicit FormMainCommands(QWidget* window);

    // Runs the item's handler only while the item is enabled, as a key would.
    static void clickItem(QAction* item);

    QMenu* const MainMenu1;

    // Title bar.
    QAction* const mHilfe;         // F1
    QAction* const Hilfe1;         // Alt+I
    QAction* const EinstellunGen1; // F2
    QAction* const mInfo;          // F3
    QAction* const Beenden1;       // no action

    // Run.
    QAction* const mFreigabe1;   // F4
    QAction* const mStart;       // F5
    QAction* const ZwZeit1;      // F6
    QAction* const mVmax;        // F7
    QAction* const mStop;        // F8
    QAction* const mReset;       // F9
    QAction* const mAvaria;      // F10
    QAction* const mLockStartLS; // F11
    QAction* const mLockStoppLS; // F12
    QAction* const TestKeys1;    // Ctrl+1, checkable
    QAction* const Modus1;       // Ctrl+T

    // Protocol.
    QAction* const Clear1;          // Ctrl+X
    QAction* const Word1;           // Ctrl+W
    QAction* const EXcel1;          // Ctrl+E
    QAction* const Html1;           // Ctrl+H
    QAction* const Print1;          // Ctrl+P
    QAction* const Save1;           // Ctrl+S
    QAction* const Open1;           // Ctrl+O
    QAction* const Zeileentfernen1; // Ctrl+minus
    QAction* const Verlauf1;        // Ctrl+J, the journal's window

private:
    QAction* item(const char* name, const QString& caption, const QKeySequence& key);
};
