// Which monitors the windows can be placed on: a function giving their bounds, so that tests
// can pretend any set of screens.

#pragma once

#include <QList>
#include <QRect>

#include <functional>

// The attached monitors' bounds, primary first, then the others in the system's
// order; index 0 is what the settings call monitor 0. Injected as a function so
// tests can pretend any set of screens. GUI thread only.
using ScreenList = std::function<QList<QRect>()>;

// The bounds QGuiApplication reports now.
ScreenList desktopScreens();
