// The monitors as QGuiApplication reports them, the primary one first.

#include "platform/screens.h"

#include <QGuiApplication>
#include <QScreen>

ScreenList desktopScreens() {
    return [] {
        QList<QRect> bounds;
        QScreen* primary = QGuiApplication::primaryScreen();
        if (primary)
            bounds.append(primary->geometry());
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen != primary)
                bounds.append(screen->geometry());
        }
        return bounds;
    };
}
