#include "protocol/atomic_file_writer.h"
#include "unprivileged_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestAtomicFileWriter : public QObject {
    Q_OBJECT

private slots:
    void createsAndReplaces();
    void readOnlyFolderKeepsOldFile();
    void directoryTargetFailsWithReason();
    void ownNamesNeverFollowLinks();
    void unusedNamesSkipDanglingLinks();
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

// A name the program chose is refused when a link lies there: the file the link points
// to keeps its bytes. A name the official chose follows the link as usual. Both ways a
// new file gets the usual permissions, and a replaced one keeps its own.
void TestAtomicFileWriter::ownNamesNeverFollowLinks() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString victim = dir.filePath("victim.txt");
    QVERIFY(writeFileAtomically(victim, "precious"));
    const QString planted = dir.filePath("Tarvolt.html");
    QVERIFY(QFile::link(victim, planted));
    QString reason;
    QVERIFY(!writeFileAtomically(planted, "page", &reason, TargetLinks::Refuse));
    QVERIFY2(reason.contains(QStringLiteral("Verweis")), qPrintable(reason));
    QCOMPARE(contents(victim), QByteArray("precious"));
    QVERIFY(QFileInfo(planted).isSymLink());
    // A dangling link is refused just the same; nothing is created where it points.
    const QString dangling = dir.filePath("Tarvolt-Sicherungsdatei.txt");
    QVERIFY(QFile::link(dir.filePath("elsewhere.txt"), dangling));
    QVERIFY(!writeFileAtomically(dangling, "rows", nullptr, TargetLinks::Refuse));
    QVERIFY(!QFileInfo::exists(dir.filePath("elsewhere.txt")));

    const QString own = dir.filePath("own.txt");
    QVERIFY(writeFileAtomically(own, "first", nullptr, TargetLinks::Refuse));
    QCOMPARE(QFileInfo(own).permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::WriteGroup),
             QFile::ReadOther);
    QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(writeFileAtomically(own, "second", nullptr, TargetLinks::Refuse));
    QCOMPARE(contents(own), QByteArray("second"));
    QCOMPARE(QFileInfo(own).permissions() & QFile::ReadOther, QFileDevice::Permissions());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 4);

    QVERIFY(writeFileAtomically(planted, "chosen", nullptr, TargetLinks::Follow));
    QCOMPARE(contents(victim), QByteArray("chosen"));
}

// A dated name that is taken, even by a dangling link, gets "-2", "-3".
void TestAtomicFileWriter::unusedNamesSkipDanglingLinks() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!nameIsTaken(dir.filePath("a.docx")));
    QVERIFY(writeFileAtomically(dir.filePath("a.docx"), "x"));
    QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("a-2.docx")));
    QVERIFY(nameIsTaken(dir.filePath("a-2.docx")));
    QVERIFY(!nameIsTaken(dir.filePath("a-3.docx")));
}

QTEST_GUILESS_MAIN(TestAtomicFileWriter)
#include "test_atomic_file_writer.moc"
