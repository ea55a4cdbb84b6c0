#pragma once

#include <QUrl>

#include <functional>

// Asks the desktop to open a web address or a file (the shell's "open"). A plain
// function value, so windows take it by injection and tests record the requests.
// Failures are the desktop's and ignored. GUI thread only.
using UrlOpener = std::function<void(const QUrl&)>;

// QDesktopServices::openUrl.
UrlOpener desktopUrlOpener();
