#include "platform/sound_player.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

SoundPlayer::SoundPlayer(QObject* parent) : QObject(parent) {}

QString SoundPlayer::preload(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    if (!m_effects.contains(path)) {
        auto* effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
        m_effects.insert(path, effect);
    }
    return path;
}

void SoundPlayer::playSound(const QString& path) {
    if (!m_soundOn || path.isEmpty())
        return;
    QSoundEffect* effect = m_effects.value(path);
    if (!effect)
        return;
    effect->play();
    emit started(path);
}
