#include "platform/sound_player.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSoundPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        m_sound = QDir(QStringLiteral(TARVOLT_SOUND_FOLDER)).filePath(QStringLiteral("Ton2.wav"));
        QVERIFY2(QFile::exists(m_sound), qPrintable(m_sound));
    }

    void preloadEmptiesMissingFiles() {
        SoundPlayer player;
        QCOMPARE(player.preload(m_sound), m_sound);
        QVERIFY(player.preload(m_folder.filePath(QStringLiteral("Ton1-Start.wav"))).isEmpty());
        QVERIFY(player.preload(QString()).isEmpty());
        QVERIFY(player.preload(m_folder.path()).isEmpty()); // a folder
    }

    // Without an audio device (as here) starting works just the same and nothing fails.
    void playsOnlyWhenOnAndPreloaded_data() {
        QTest::addColumn<bool>("soundOn");
        QTest::addColumn<int>("which"); // 0 preloaded, 1 missing (emptied), 2 never preloaded
        QTest::addColumn<bool>("started");
        QTest::newRow("on, preloaded") << true << 0 << true;
        QTest::newRow("off, preloaded") << false << 0 << false;
        QTest::newRow("on, missing file") << true << 1 << false;
        QTest::newRow("on, not preloaded") << true << 2 << false;
    }
    void playsOnlyWhenOnAndPreloaded() {
        QFETCH(bool, soundOn);
        QFETCH(int, which);
        QFETCH(bool, started);
        SoundPlayer player;
        const QString preloaded = player.preload(m_sound);
        const QString missing = player.preload(m_folder.filePath(QStringLiteral("Ton3-Vmax.wav")));
        player.setSoundOn(soundOn);
        QSignalSpy spy(&player, &SoundPlayer::started);
        const QString paths[] = {preloaded, missing, m_folder.filePath(QStringLiteral("other.wav"))};
        player.playSound(paths[which]);
        QCOMPARE(spy.count(), started ? 1 : 0);
    }

private:
    QTemporaryDir m_folder;
    QString m_sound;
};

QTEST_MAIN(TestSoundPlayer)
#include "test_sound_player.moc"
