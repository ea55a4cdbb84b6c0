// The lock beside the backup: held while a program runs, taken over when what lies under
// its name is no running program's lock.
#include "protocol/backup_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

bool writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray contents(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Made a minute ago, as a leftover found at the next start is.
bool makeOld(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
}

} // namespace

class TestBackupLock : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
    }

    // While one holds the lock a second is refused, whatever the lock file's age; once the
    // first has ended the next takes it.
    void heldLockKeepsOthersOut() {
        auto first = std::make_unique<BackupLock>(backup());
        QVERIFY(first->tryLock());
        QCOMPARE(first->lockFileName(), backup() + QStringLiteral(".lock"));
        QVERIFY(QFileInfo::exists(first->lockFileName()));
        QVERIFY(makeOld(first->lockFileName()));
        BackupLock second(backup());
        QVERIFY(!second.tryLock());
        QVERIFY(QFileInfo::exists(first->lockFileName()));
        first.reset();
        QVERIFY(!QFileInfo::exists(backup() + QStringLiteral(".lock")));
        BackupLock third(backup());
        QVERIFY(third.tryLock());
    }

    // What no running program holds is taken over: a lock written on another computer (the
    // folder on a stick that moved on after a crash), an empty or unreadable lock file (a
    // power cut while it was made). A link under the name is removed, never followed.
    void leftoversAreTakenOver_data() {
        QTest::addColumn<QByteArray>("lockBytes"); // empty: a link to someone else's file
        QTest::newRow("another computer")
            << QByteArray("4242\nTarvolt\nanderer-laptop\n0123456789abcdef\nfedcba9876543210\n");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("unreadable") << QByteArray("\x01\x02 kaputt");
        QTest::newRow("link") << QByteArray();
    }
    void leftoversAreTakenOver() {
        QFETCH(QByteArray, lockBytes);
        const QString lockName = backup() + QStringLiteral(".lock");
        const QString victim = m_folder->filePath(QStringLiteral("fremd.txt"));
        QVERIFY(writeFile(victim, "fremd"));
        if (QByteArray(QTest::currentDataTag()) == "link") {
            QVERIFY(QFile::link(victim, lockName));
        } else {
            QVERIFY(writeFile(lockName, lockBytes));
            QVERIFY(makeOld(lockName));
        }
        {
            BackupLock lock(backup());
            QVERIFY(lock.tryLock());
            QVERIFY(!QFileInfo(lockName).isSymLink());
            QVERIFY(contents(lockName).startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
            BackupLock second(backup());
            QVERIFY(!second.tryLock());
        }
        QCOMPARE(contents(victim), QByteArray("fremd"));
    }

    // A lock file made a moment ago may be a starting program's that has not yet locked it:
    // it keeps the second start out.
    void youngLockFileKeepsOthersOut() {
        QVERIFY(writeFile(backup() + QStringLiteral(".lock"), ""));
        BackupLock lock(backup());
        QVERIFY(!lock.tryLock());
    }

    // Without a backup there is nothing to guard.
    void noBackupNoLock() {
        BackupLock lock{QString()};
        QVERIFY(lock.tryLock());
        QVERIFY(lock.lockFileName().isEmpty());
    }

private:
    QString backup() const { return m_folder->filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt")); }

    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_GUILESS_MAIN(TestBackupLock)
#include "test_backup_lock.moc"
