// Hands one file or web address to the desktop's "xdg-open" and tells whether that failed,
// without waiting on the GUI thread.

#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <QUrl>

// QDesktopServices::openUrl reports success even when xdg-open finds no program for the
// file type, so xdg-open is run here and its exit code read. A failure is known when
// xdg-open is missing, cannot start, crashes or exits non-zero within the wait; after the
// wait the opening counts as done, as some openers stay with the program they started.
// The job deletes itself when xdg-open has ended (or could not start); xdg-open is never
// killed, so the official's spreadsheet or browser stays open. GUI thread (any thread with
// an event loop).
class DesktopOpenJob : public QObject {
    Q_OBJECT

public:
    static constexpr int defaultWaitMs = 15000;

    // Starts xdg-open for `url`; the answer comes as `settled`, once, from the event loop.
    static DesktopOpenJob* start(const QUrl& url, int waitMs = defaultWaitMs);

    // What the official is told when nothing could open `url`: the reason, and where the
    // file lies (a file) or the address to open by hand.
    static QString failureText(const QUrl& url, bool openerMissing);

signals:
    // `opened` is false when it is known that nothing was opened; `message` then says so.
    void settled(bool opened, const QString& message);

private:
    explicit DesktopOpenJob(const QUrl& url);
    void begin(int waitMs);
    void settle(bool opened, const QString& message);

    const QUrl m_url;
    QProcess m_process;
    QTimer m_wait;
    bool m_settled = false;
};
