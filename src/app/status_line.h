// What status panel 2 says, and which of the things to say comes first.

#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

// Status panel 2: a message that stands (the port lost, the backup unusable, the web page's
// port taken, the journal not written) is shown while it stands, the oldest first; otherwise a short note (a file
// saved) for a few seconds; otherwise the track's state, which may be an alarm (red). GUI thread.
class StatusLine : public QObject {
    Q_OBJECT

public:
    // Backup: the backup found at start unusable; BackupWrite: the last backup write failed;
    // Journal: the journal's entries wait (a locked file, a full disk).
    enum class Source { Port, Backup, BackupWrite, Web, Journal, Count };
    static constexpr int noteMs = 6000;

    explicit StatusLine(int noteMs, QObject* parent = nullptr);

    // An empty text ends the message; hint is the panel's tool tip (a full path).
    void setStanding(Source source, const QString& text, const QString& hint = {});
    void showNote(const QString& text, const QString& hint = {});
    void setTrackState(const QString& text, bool alarm);

    QString text() const;
    QString hint() const;
    // The shown text is an alarm the official must act on: a standing message (a fault) or
    // the track's alarm.
    bool alarm() const;

signals:
    void changed();

private:
    struct Message {
        QString text;
        QString hint;
        quint64 order = 0;
    };
    const Message* standing() const;
    void noteExpired();

    std::array<Message, std::size_t(Source::Count)> m_standing;
    quint64 m_nextOrder = 1;
    Message m_note;
    QTimer m_noteTimer;
    QString m_trackState;
    bool m_alarm = false;
};
