// How the windows ask the desktop to open a web address or a file, as an injected function
// that tests replace with a recorder.

#pragma once

#include <QUrl>

#include <functional>

// Asks the desktop to open a web address or a file (the shell's "open"). A plain
// function value, so windows take it by injection and tests record the requests.
// GUI thread only.
using UrlOpener = std::function<void(const QUrl&)>;

// Runs xdg-open without waiting for it; when nothing could open the file or address, the
// official is told in a message box titled `caption` that does not stop the run (with the
// file's path).
UrlOpener desktopUrlOpener(const QString& caption);
