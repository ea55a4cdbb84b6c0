#include "protocol/atomic_file_writer.h"
#include "unprivileged_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAtomicFileWriter : public QObject {
    Q_OBJECT

private slots:
    void createsAndReplaces();
    void readOnlyFolderKeepsOldFile();
    void directoryTargetFailsWithReason();
};

namespace {

QByteArray contents(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

} // namespace

void TestAtomicFileWriter::createsAndReplaces() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath("p.txt");
    QVERIFY(writeFileAtomically(fileName, "first"));
    QCOMPARE(contents(fileName), QByteArray("first"));
    QVERIFY(writeFileAtomically(fileName, "second, longer"));
    QCOMPARE(contents(fileName), QByteArray("second, longer"));
    QVERIFY(writeFileAtomically(fileName, QByteArray()));
    QCOMPARE(contents(fileName), QByteArray());
    // No temporary files are left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"p.txt"});
}

void TestAtomicFileWriter::readOnlyFolderKeepsOldFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("ro");
    QVERIFY(QDir().mkpath(folder));
    const QString fileName = folder + "/p.txt";
    QVERIFY(writeFileAtomically(fileName, "old rows"));
    // The file itself stays writable: only a write in place could change it.
    QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
    QFile::setPermissions(dir.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);

    const std::optional<bool> written = runUnprivileged([&] {
        QString reason;
        const bool ok = writeFileAtomically(fileName, "new rows", &reason);
        return ok || reason.isEmpty();
    });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!written)
        QSKIP("cannot drop root rights here");
    QCOMPARE(*written, false);
    QCOMPARE(contents(fileName), QByteArray("old rows"));
}

void TestAtomicFileWriter::directoryTargetFailsWithReason() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath("sub");
    QVERIFY(QDir().mkpath(target));
    QVERIFY(QFile::exists(target + "/."));
    QString reason;
    QVERIFY(!writeFileAtomically(target, "x", &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(QFileInfo(target).isDir());
}

QTEST_GUILESS_MAIN(TestAtomicFileWriter)
#include "test_atomic_file_writer.moc"
