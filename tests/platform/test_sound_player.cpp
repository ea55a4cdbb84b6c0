// Tests the signal sound player: which files load, when a sound starts, and that sounds never overlap.
#include "platform/sound_player.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Records what the player does to each loaded sound, in order.
class RecordingEffect final : public SoundEffectOutput {
public:
    RecordingEffect(QString name, QStringList* log) : m_name(std::move(name)), m_log(log) {}
    void play() override { m_log->append(QStringLiteral("play ") + m_name); }
    void stop() override { m_log->append(QStringLiteral("stop ") + m_name); }

private:
    QString m_name;
    QStringList* m_log;
};

SoundEffectFactory recordingFactory(QStringList* log) {
    return [log](const QString& path) {
        return std::make_unique<RecordingEffect>(QFileInfo(path).completeBaseName(), log);
    };
}

} // namespace

class TestSoundPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_folder.isValid());
        m_sound = QDir(QStringLiteral(TARVOLT_SOUND_FOLDER)).filePath(QStringLiteral("Ton2.wav"));
        QVERIFY2(QFile::exists(m_sound), qPrintable(m_sound));
        m_ton1 = QDir(QStringLiteral(TARVOLT_SOUND_FOLDER)).filePath(QStringLiteral("Ton1-Start.wav"));
        QVERIFY2(QFile::exists(m_ton1), qPrintable(m_ton1));
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

    // Separate effects would overlap: a new sound stops the one still playing first, also
    // when it is the same sound again, and nothing is stopped that was never started.
    void newSoundStopsThePreviousOne() {
        QStringList log;
        SoundPlayer player(recordingFactory(&log));
        const QString ton1 = player.preload(m_ton1);
        const QString ton2 = player.preload(m_sound);
        QVERIFY(log.isEmpty()); // loading makes no sound

        player.playSound(ton1);
        QCOMPARE(log, QStringList{QStringLiteral("play Ton1-Start")});
        log.clear();
        player.playSound(ton2);
        QCOMPARE(log, (QStringList{QStringLiteral("stop Ton1-Start"), QStringLiteral("play Ton2")}));
        log.clear();
        player.playSound(ton2);
        QCOMPARE(log, (QStringList{QStringLiteral("stop Ton2"), QStringLiteral("play Ton2")}));
        log.clear();

        // Sound off or a sound that was never loaded leaves the playing one alone.
        player.playSound(m_folder.filePath(QStringLiteral("other.wav")));
        player.setSoundOn(false);
        player.playSound(ton1);
        QVERIFY(log.isEmpty());
    }

private:
    QString m_ton1;
    QTemporaryDir m_folder;
    QString m_sound;
};

QTEST_MAIN(TestSoundPlayer)
#include "test_sound_player.moc"
