// Status panel 2's choice: the standing messages in the order they came, a note while its
// timer runs, else the track's state.

#include "app/status_line.h"

StatusLine::StatusLine(int noteMs, QObject* parent) : QObject(parent) {
    m_noteTimer.setSingleShot(true);
    m_noteTimer.setInterval(noteMs);
    connect(&m_noteTimer, &QTimer::timeout, this, &StatusLine::noteExpired);
}

void StatusLine::setStanding(Source source, const QString& text, const QString& hint) {
    Message& message = m_standing[std::size_t(source)];
    if (message.text == text && message.hint == hint)
        return;
    // A message that changes its words keeps its place; a new one goes behind the others.
    if (message.text.isEmpty())
        message.order = m_nextOrder++;
    message.text = text;
    message.hint = text.isEmpty() ? QString() : hint;
    emit changed();
}

void StatusLine::showNote(const QString& text, const QString& hint) {
    m_note = {text, hint, 0};
    m_noteTimer.start();
    emit changed();
}

void StatusLine::setTrackState(const QString& text, bool alarm) {
    if (m_trackState == text && m_alarm == alarm)
        return;
    m_trackState = text;
    m_alarm = alarm;
    // An alarm must not wait behind a note.
    if (alarm && m_noteTimer.isActive()) {
        m_noteTimer.stop();
        m_note = {};
    }
    emit changed();
}

const StatusLine::Message* StatusLine::standing() const {
    const Message* first = nullptr;
    for (const Message& message : m_standing)
        if (!message.text.isEmpty() && (!first || message.order < first->order))
            first = &message;
    return first;
}

QString StatusLine::text() const {
    if (const Message* message = standing())
        return message->text;
    if (!m_note.text.isEmpty())
        return m_note.text;
    return m_trackState;
}

QString StatusLine::hint() const {
    if (const Message* message = standing())
        return message->hint;
    if (!m_note.text.isEmpty())
        return m_note.hint;
    return {};
}

bool StatusLine::alarm() const {
    if (standing())
        return true;
    return m_note.text.isEmpty() && m_alarm;
}

void StatusLine::noteExpired() {
    m_note = {};
    emit changed();
}
