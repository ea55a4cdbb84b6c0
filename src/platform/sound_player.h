#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QSoundEffect;

// Plays the program's signal sounds without waiting. Each sound file that exists is
// loaded once at start into its own QSoundEffect (loading makes no sound); playing
// then only starts that effect. With no audio device at start nothing is loaded,
// nothing is heard and nothing fails. GUI thread only.
class SoundPlayer : public QObject {
    Q_OBJECT

public:
    explicit SoundPlayer(QObject* parent = nullptr);

    // Loads the file; returns path when it exists, else an empty path, which is never played.
    QString preload(const QString& path);

    // The "Sound" setting.
    bool soundOn() const { return m_soundOn; }
    void setSoundOn(bool on) { m_soundOn = on; }

    // Starts the sound and returns at once; nothing when sound is off, the path is empty
    // or was not preloaded.
    void playSound(const QString& path);

signals:
    // A sound was handed to the audio output (heard when there is a device).
    void started(const QString& path);

private:
    QHash<QString, QSoundEffect*> m_effects; // null without an audio device
    bool m_soundOn = true;
};
