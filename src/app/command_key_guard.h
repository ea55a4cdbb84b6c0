// Keeps the main window's command keys working while a start-number field has the focus.

#pragma once

#include <QList>
#include <QObject>

class QAction;
class QWidget;

// Keeps the window's command keys working while a text field has the focus. A line
// edit claims its editing keys before any shortcut sees them, so Ctrl+X in a
// start-number field would cut its text instead of reaching "Clear". A guarded field
// lets every key of an enabled command pass to the command; all other keys it keeps.
// Fields that are not guarded, such as the protocol's cell editor, keep their editing
// keys, so typing a name is never interrupted. GUI thread only.
class CommandKeyGuard : public QObject {
    Q_OBJECT

public:
    CommandKeyGuard(QList<QAction*> commands, QObject* parent);

    void guard(QWidget* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QAction*> m_commands;
};
