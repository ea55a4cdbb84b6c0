#include "platform/sound_player.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

QString SoundPlayer::preload(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    if (!m_effects.contains(path)) {
        QSoundEffect* effect = nullptr;
        // Without an audio device there is nothing to load into.
        if (!QMediaDevices::audioOutputs().isEmpty()) {
            effect = new QSoundEffect(this);
            effect->setSource(QUrl::fromLocalFile(path));
        }
        m_effects.insert(path, effect);
    }
    return path;
}

void SoundPlayer::playSound(const QString& path) {
    if (!m_soundOn || path.isEmpty())
        return;
    const auto it = m_effects.constFind(path);
    if (it == m_effects.constEnd())
        return;
    if (*it)
        (*it)->play();
    emit started(path);
}
