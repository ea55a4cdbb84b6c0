#include "protocol/protocol_file_names.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestProtocolFileNames : public QObject {
    Q_OBJECT

private slots:
    void dateStamp_data();
    void dateStamp();
    void backupInWritableProgramFolder();
    void backupFallsBackWhenProgramFolderUnusable();
    void existingBackupIsUsedWhereverItLies();
};

void TestProtocolFileNames::dateStamp_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("name");
    QTest::newRow("morning") << QDateTime(QDate(2014, 3, 7), QTime(9, 5)) << "2014-03-07-09-05";
    QTest::newRow("afternoon uses 24 hours") << QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)) << "2023-12-31-23-59";
}

void TestProtocolFileNames::dateStamp() {
    QFETCH(QDateTime, when);
    QFETCH(QString, name);
    QCOMPARE(dateStampName(when), name);
}

void TestProtocolFileNames::backupInWritableProgramFolder() {
    QTemporaryDir program;
    QTemporaryDir data;
    QVERIFY(program.isValid() && data.isValid());
    QCOMPARE(backupFiles(program.path(), "Tarvolt", data.path()).writeTo,
             program.path() + "/Tarvolt-Sicherungsdatei.txt");
    QCOMPARE(backupFiles(program.path() + "/", "Tarvolt", data.path()).writeTo,
             program.path() + "/Tarvolt-Sicherungsdatei.txt");
    // The probe leaves nothing behind.
    QCOMPARE(QDir(program.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
}

void TestProtocolFileNames::backupFallsBackWhenProgramFolderUnusable() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString data = dir.filePath("share/Quillmere/Tarvolt");
    const QString missing = dir.filePath("no-such-folder");
    QCOMPARE(backupFiles(missing, "Tarvolt", data).writeTo, data + "/Tarvolt-Sicherungsdatei.txt");
    QVERIFY(QFileInfo(data).isDir());

    QFile notAFolder(dir.filePath("file"));
    QVERIFY(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    QCOMPARE(backupFiles(notAFolder.fileName(), "X", data + "/").writeTo, data + "/X-Sicherungsdatei.txt");
    QVERIFY(!isFolderWritable(notAFolder.fileName()));
    QVERIFY(isFolderWritable(data));
}

void TestProtocolFileNames::existingBackupIsUsedWhereverItLies() {
    QTemporaryDir program;
    QTemporaryDir data;
    const QString inProgram = program.filePath("T-Sicherungsdatei.txt");
    const QString inData = data.filePath("T-Sicherungsdatei.txt");
    QFile file(inData);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(backupFiles(program.path(), "T", data.path()).writeTo, inData);
    // With two, the one written last.
    QVERIFY(QFile::copy(inData, inProgram));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    QCOMPARE(backupFiles(program.path(), "T", data.path()).writeTo, inProgram);
}

QTEST_GUILESS_MAIN(TestProtocolFileNames)
#include "test_protocol_file_names.moc"
