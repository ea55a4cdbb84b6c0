#include "../protocol/unprivileged_run.h"
#include "app/program_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestProgramFiles : public QObject {
    Q_OBJECT

private slots:
    void missingSoundsAreEmptied() {
        QTemporaryDir program;
        touch(program.filePath(QStringLiteral("Ton1-Start.wav")));
        touch(program.filePath(QStringLiteral("Ton4-Finish.wav")));
        const ProgramFiles files = programFilesFor(program.filePath(QStringLiteral("Tarvolt")), {});
        QCOMPARE(files.sounds[soundStart], program.filePath(QStringLiteral("Ton1-Start.wav")));
        QVERIFY(files.sounds[soundSplit].isEmpty());
        QVERIFY(files.sounds[soundTrap].isEmpty());
        QCOMPARE(files.sounds[soundFinish], program.filePath(QStringLiteral("Ton4-Finish.wav")));
    }

    void programFolderComesBeforeShareFolder() {
        QTemporaryDir program;
        QTemporaryDir share;
        touch(program.filePath(QStringLiteral("Ton2.wav")));
        touch(share.filePath(QStringLiteral("Ton2.wav")));
        touch(share.filePath(QStringLiteral("Ton3-Vmax.wav")));
        touch(share.filePath(QStringLiteral("Tarvolt-Hilfe.html")));
        const ProgramFiles files = programFilesFor(program.filePath(QStringLiteral("Tarvolt")), share.path());
        QCOMPARE(files.sounds[soundSplit], program.filePath(QStringLiteral("Ton2.wav")));
        QCOMPARE(files.sounds[soundTrap], share.filePath(QStringLiteral("Ton3-Vmax.wav")));
        QVERIFY(files.sounds[soundStart].isEmpty());
        QCOMPARE(files.helpFile, share.filePath(QStringLiteral("Tarvolt-Hilfe.html")));
    }

    // A folder of that name is not a sound.
    void folderIsNotASound() {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir(QStringLiteral("Ton2.wav")));
        const ProgramFiles files = programFilesFor(program.filePath(QStringLiteral("Tarvolt")), {});
        QVERIFY(files.sounds[soundSplit].isEmpty());
    }

    void helpFileAndTemplateNamedAfterTheExecutable_data() {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("help");
        QTest::newRow("plain") << "Tarvolt"
                               << "Tarvolt-Hilfe.html";
        QTest::newRow("extension replaced") << "Tarvolt.exe"
                                            << "Tarvolt-Hilfe.html";
        QTest::newRow("renamed") << "Bergrennen"
                                 << "Bergrennen-Hilfe.html";
    }
    void helpFileAndTemplateNamedAfterTheExecutable() {
        QFETCH(QString, executable);
        QFETCH(QString, help);
        QTemporaryDir program;
        const ProgramFiles files = programFilesFor(program.filePath(executable), {});
        QCOMPARE(files.helpFile, program.filePath(help));
        QCOMPARE(files.wordTemplate, program.filePath(QStringLiteral("Protokollvorlage.docx")));
    }

    // Installed in /usr/bin the program folder is not writable: the official's files go to
    // the documents folder, made when missing; a writable program folder keeps them.
    void userFilesFolderLeavesAReadOnlyProgramFolder() {
        QTemporaryDir home;
        const QString program = home.filePath(QStringLiteral("bin"));
        const QString documents = home.filePath(QStringLiteral("Dokumente"));
        QVERIFY(QDir().mkpath(program));
        QCOMPARE(userFilesFolder(program, documents), program + u'/');

        const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther |
                         QFile::ExeOther;
        QVERIFY(QFile::setPermissions(home.path(), all));
        QVERIFY(
            QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        // Root may write anywhere; the user of an installed copy may not.
        const std::optional<bool> moved = runUnprivileged([&] {
            return userFilesFolder(program, documents) == documents + u'/' && QFileInfo(documents).isDir() &&
                   userFilesFolder(program, QString()) == program + u'/';
        });
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (!moved)
            QSKIP("cannot drop root rights here");
        QVERIFY(*moved);
    }
};

QTEST_GUILESS_MAIN(TestProgramFiles)
#include "test_program_files.moc"
