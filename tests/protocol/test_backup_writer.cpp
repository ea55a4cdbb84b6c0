#include "protocol/backup_writer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

// The backup written on a thread of its own: the newest table reaches the disk, every
// write is told back on the caller's thread, and none is lost at the end.
class TestBackupWriter : public QObject {
    Q_OBJECT

private slots:
    void newestTableWins() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));
        BackupWriter writer;
        QSignalSpy finished(&writer, &BackupWriter::finished);
        for (int i = 0; i < 50; ++i)
            writer.write(file, [i] { return QByteArray::number(i); });
        QVERIFY(writer.waitForWritten(10000));
        QCOMPARE(contents(file), QByteArray("49"));
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 10000);
        QVERIFY(finished.last().at(0).toBool());
    }

    void failureIsToldWithItsReason() {
        QTemporaryDir dir;
        const QString victim = dir.filePath(QStringLiteral("fremd.txt"));
        const QString file = dir.filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));
        QVERIFY(QFile::link(victim, file));
        BackupWriter writer;
        QSignalSpy finished(&writer, &BackupWriter::finished);
        writer.write(file, [] { return QByteArray("rows"); });
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().at(0).toBool(), false);
        QVERIFY(finished.first().at(1).toString().contains(QStringLiteral("Verweis")));
        QVERIFY(!QFile::exists(victim));
    }

    void endWritesWhatWaits() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));
        {
            BackupWriter writer;
            writer.write(file, [] { return QByteArray("first"); });
            writer.write(file, [] { return QByteArray("last"); });
        }
        QCOMPARE(contents(file), QByteArray("last"));
    }
};

QTEST_GUILESS_MAIN(TestBackupWriter)
#include "test_backup_writer.moc"
