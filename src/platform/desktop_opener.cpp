#include "platform/desktop_opener.h"

#include <QDesktopServices>

UrlOpener desktopUrlOpener() {
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}
