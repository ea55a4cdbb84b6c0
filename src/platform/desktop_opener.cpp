// The opener the windows are given: hands the address to xdg-open and, when nothing could
// open it, tells the official in a message box that does not stop the run.

#include "platform/desktop_opener.h"

#include "platform/desktop_open_job.h"

#include <QApplication>
#include <QMessageBox>

namespace {

void showOpenFailure(const QString& caption, const QString& message) {
    // Not modal in the way of the run: the official reads it and goes on.
    auto* box = new QMessageBox(QMessageBox::Warning, caption, message, QMessageBox::Ok, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse); // the path, to copy
    box->show();
}

} // namespace

UrlOpener desktopUrlOpener(const QString& caption) {
    return [caption](const QUrl& url) {
        auto* job = DesktopOpenJob::start(url);
        QObject::connect(job, &DesktopOpenJob::settled, job, [caption](bool opened, const QString& message) {
            if (!opened)
                showOpenFailure(caption, message);
        });
    };
}
