// The key guard's event filter: an enabled command's key leaves the text field unclaimed, so
// the window's shortcut gets it.

#include "app/command_key_guard.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>

CommandKeyGuard::CommandKeyGuard(QList<QAction*> commands, QObject* parent)
    : QObject(parent), m_commands(std::move(commands)) {}

void CommandKeyGuard::guard(QWidget* field) {
    field->installEventFilter(this);
}

bool CommandKeyGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence key(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* command : std::as_const(m_commands)) {
            // Left unaccepted, the key goes on to the window's shortcuts.
            if (command->isEnabled() && command->shortcut() == key)
                return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
