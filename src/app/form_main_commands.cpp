// The main window's commands built one by one with their German captions and keys (F1 to F10
// and the others), on the never-shown menu.

#include "app/form_main_commands.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

FormMainCommands::FormMainCommands(QWidget* window)
    : QObject(window), m_window(window), MainMenu1(new QMenu(window)),
      mHilfe(item("mHilfe", QStringLiteral("Hilfe"), Qt::Key_F1)),
      Hilfe1(item("Hilfe1", QStringLiteral("H&ilfe"), Qt::ALT | Qt::Key_I)),
      EinstellunGen1(item("EinstellunGen1", QStringLiteral("Einstellungen"), Qt::Key_F2)),
      mInfo(item("mInfo", QStringLiteral("Information"), Qt::Key_F3)),
      Beenden1(item("Beenden1", QStringLiteral("&Beenden"), {})),
      mFreigabe1(item("mFreigabe1", QStringLiteral("Freigabe"), Qt::Key_F4)),
      mStart(item("mStart", QStringLiteral("Start"), Qt::Key_F5)),
      ZwZeit1(item("ZwZeit1", QStringLiteral("Zw.Zeit"), Qt::Key_F6)),
      mVmax(item("mVmax", QStringLiteral("Vmax"), Qt::Key_F7)),
      mStop(item("mStop", QStringLiteral("Finish"), Qt::Key_F8)),
      mReset(item("mReset", QStringLiteral("0,00"), Qt::Key_F9)),
      mAvaria(item("mAvaria", QStringLiteral("Unfall"), Qt::Key_F10)),
      mLockStartLS(item("mLockStartLS", QStringLiteral("Lock Start-LS"), Qt::Key_F11)),
      mLockStoppLS(item("mLockStoppLS", QStringLiteral("Lock Stopp-LS"), Qt::Key_F12)),
      TestKeys1(item("TestKeys1", QStringLiteral("Test Keys"), Qt::CTRL | Qt::Key_1)),
      Modus1(item("Modus1", QStringLiteral("Modus"), Qt::CTRL | Qt::Key_T)),
      Clear1(item("Clear1", QStringLiteral("Clear"), Qt::CTRL | Qt::Key_X)),
      Word1(item("Word1", QStringLiteral("Word"), Qt::CTRL | Qt::Key_W)),
      EXcel1(item("EXcel1", QStringLiteral("EXcel"), Qt::CTRL | Qt::Key_E)),
      Html1(item("Html1", QStringLiteral("Html"), Qt::CTRL | Qt::Key_H)),
      Print1(item("Print1", QStringLiteral("Print"), Qt::CTRL | Qt::Key_P)),
      Save1(item("Save1", QStringLiteral("Save"), Qt::CTRL | Qt::Key_S)),
      Open1(item("Open1", QStringLiteral("Open"), Qt::CTRL | Qt::Key_O)),
      Zeileentfernen1(item("Zeileentfernen1", QStringLiteral("Zeile entfernen"), Qt::CTRL | Qt::Key_Minus)),
      Verlauf1(item("Verlauf1", QStringLiteral("Verlauf"), Qt::CTRL | Qt::Key_J)) {
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    TestKeys1->setCheckable(true);
    Print1->setData(1); // the Tag that makes the web page route print
    Html1->setData(0);
}

QAction* FormMainCommands::item(const char* name, const QString& caption, const QKeySequence& key) {
    auto* action = new QAction(caption, m_window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    MainMenu1->addAction(action);
    m_window->addAction(action);
    return action;
}

void FormMainCommands::clickItem(QAction* item) {
    if (item && item->isEnabled())
        item->trigger();
}
