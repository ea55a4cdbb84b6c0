// Plays the signal sounds through QSoundEffect, one at a time.
#include "platform/sound_player.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {

class QtSoundEffectOutput final : public SoundEffectOutput {
public:
    explicit QtSoundEffectOutput(const QString& path) { m_effect.setSource(QUrl::fromLocalFile(path)); }
    void play() override { m_effect.play(); }
    void stop() override { m_effect.stop(); }

private:
    QSoundEffect m_effect;
};

std::unique_ptr<SoundEffectOutput> makeQtSoundEffect(const QString& path) {
    // Without an audio device there is nothing to load into.
    if (QMediaDevices::audioOutputs().isEmpty())
        return nullptr;
    return std::make_unique<QtSoundEffectOutput>(path);
}

} // namespace

SoundPlayer::SoundPlayer(QObject* parent) : SoundPlayer(makeQtSoundEffect, parent) {}

SoundPlayer::SoundPlayer(SoundEffectFactory makeEffect, QObject* parent)
    : QObject(parent), m_makeEffect(std::move(makeEffect)) {}

SoundPlayer::~SoundPlayer() = default;

QString SoundPlayer::preload(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    if (!m_effects.contains(path))
        m_effects.emplace(path, m_makeEffect ? m_makeEffect(path) : nullptr);
    return path;
}

void SoundPlayer::playSound(const QString& path) {
    if (!m_soundOn || path.isEmpty())
        return;
    const auto it = m_effects.find(path);
    if (it == m_effects.end())
        return;
    // Each effect plays on its own; without this the new signal sounds over the old one.
    if (m_lastPlayed)
        m_lastPlayed->stop();
    m_lastPlayed = it->second.get();
    if (m_lastPlayed)
        m_lastPlayed->play();
    emit started(path);
}
