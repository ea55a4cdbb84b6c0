// The signal sounds of a run (start, split, trap, finish): plays one at a time through
// QSoundEffect, or through a fake output in tests.

#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

// One loaded sound the player starts and stops: a QSoundEffect in the program, a fake in
// tests, so which sound is stopped can be checked without an audio device.
class SoundEffectOutput {
public:
    virtual ~SoundEffectOutput() = default;
    virtual void play() = 0;
    virtual void stop() = 0;
};

// Loads one existing sound file; returns null when there is nothing to play it on.
using SoundEffectFactory = std::function<std::unique_ptr<SoundEffectOutput>(const QString& path)>;

// Plays the program's signal sounds without waiting. Each sound file that exists is
// loaded once at start into its own effect (loading makes no sound); playing then only
// starts that effect. A new sound stops the one still playing, so two signals never sound
// at once. With no audio device at start nothing is loaded, nothing is heard and nothing
// fails. GUI thread only.
class SoundPlayer : public QObject {
    Q_OBJECT

public:
    // Without a factory each file goes into a QSoundEffect when an audio device exists.
    explicit SoundPlayer(QObject* parent = nullptr);
    explicit SoundPlayer(SoundEffectFactory makeEffect, QObject* parent = nullptr);
    ~SoundPlayer() override;

    // Loads the file; returns path when it exists, else an empty path, which is never played.
    QString preload(const QString& path);

    // The "Sound" setting.
    bool soundOn() const { return m_soundOn; }
    void setSoundOn(bool on) { m_soundOn = on; }

    // Stops the sound still playing, starts this one and returns at once; nothing when sound
    // is off, the path is empty or was not preloaded.
    void playSound(const QString& path);

signals:
    // A sound was handed to the audio output (heard when there is a device).
    void started(const QString& path);

private:
    SoundEffectFactory m_makeEffect;
    std::map<QString, std::unique_ptr<SoundEffectOutput>> m_effects; // null without an audio device
    SoundEffectOutput* m_lastPlayed = nullptr;                       // owned by m_effects
    bool m_soundOn = true;
};
