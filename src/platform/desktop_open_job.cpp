// One run of xdg-open: settles as opened after a short wait or when it ends well, as failed
// when it could not start or ended with an error, with the path or address for the official.

#include "platform/desktop_open_job.h"

#include <QDir>

DesktopOpenJob::DesktopOpenJob(const QUrl& url) : m_url(url) {}

DesktopOpenJob* DesktopOpenJob::start(const QUrl& url, int waitMs) {
    auto* job = new DesktopOpenJob(url);
    job->begin(waitMs);
    return job;
}

QString DesktopOpenJob::failureText(const QUrl& url, bool openerMissing) {
    QString text = openerMissing
                       ? QStringLiteral("Keine Anwendung zum Öffnen gefunden: xdg-open fehlt (Paket xdg-utils).")
                       : QStringLiteral("Keine Anwendung zum Öffnen gefunden.");
    if (url.isLocalFile())
        text += QStringLiteral("\nDie Datei liegt unter:\n") + QDir::toNativeSeparators(url.toLocalFile());
    else
        text += QStringLiteral("\nBitte im Browser öffnen:\n") + url.toString();
    return text;
}

void DesktopOpenJob::begin(int waitMs) {
    // A local file as its path: every opener understands that.
    const QString target = m_url.isLocalFile() ? m_url.toLocalFile() : m_url.toString(QUrl::FullyEncoded);
    m_process.setProgram(QStringLiteral("xdg-open"));
    m_process.setArguments({target});
    // The opened program may write for hours; nothing of it is kept in memory. xdg-open's
    // own complaint goes to the program's error output.
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        const bool opened = status == QProcess::NormalExit && exitCode == 0;
        settle(opened, opened ? QString() : failureText(m_url, false));
        deleteLater();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // A crash or a lost pipe ends in `finished` as well.
        if (error != QProcess::FailedToStart)
            return;
        settle(false, failureText(m_url, true));
        deleteLater();
    });
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, [this] { settle(true, {}); });
    m_wait.start(waitMs);
    m_process.start();
}

void DesktopOpenJob::settle(bool opened, const QString& message) {
    m_wait.stop();
    if (m_settled)
        return;
    m_settled = true;
    // From the event loop, never from inside start(): the caller connects first.
    QMetaObject::invokeMethod(
        this, [this, opened, message] { emit settled(opened, message); }, Qt::QueuedConnection);
}
