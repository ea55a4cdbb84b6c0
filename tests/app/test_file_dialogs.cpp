#include "form_main_fixture.h"

#include "app/file_dialogs.h"

#include <QFileDialog>

// Qt's file dialogs as the protocol uses them: where they open, what they propose, and
// the suffix a typed name gets from the selected type.
class TestFileDialogs : public QObject {
    Q_OBJECT

private slots:
    // Qt's own dialog keeps its history in the user's settings; here it keeps it in a
    // temporary folder instead.
    void initTestCase() {
        QVERIFY(m_settings.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }

    void saveAddsTheTypesSuffix_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("text") << "Textdatei (*.txt)"
                              << "2014-03-07-09-05"
                              << "2014-03-07-09-05.txt";
        QTest::newRow("web page") << "Webseite (*.html)"
                                  << "Lauf"
                                  << "Lauf.html";
        QTest::newRow("own extension kept") << "Textdatei (*.txt)"
                                            << "Lauf.csv"
                                            << "Lauf.csv";
    }
    void saveAddsTheTypesSuffix() {
        QFETCH(QString, selected);
        QFETCH(QString, fileName);
        QFETCH(QString, chosen);
        QTemporaryDir folder;
        const FileDialogRequest request{folder.path(), fileName, QStringList{"Textdatei (*.txt)", "Webseite (*.html)"},
                                        selected, "txt"};
        QString shownFolder;
        QString shownFilter;
        bool native = true;
        WhenModal<QFileDialog> answer([&](QFileDialog* dialog) {
            shownFolder = dialog->directory().absolutePath();
            shownFilter = dialog->selectedNameFilter();
            native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted); // QFileDialog hides it
        });
        const std::optional<FileDialogAnswer> got = QtFileDialogs().save(nullptr, request);
        QVERIFY(got);
        QCOMPARE(shownFolder, QDir(folder.path()).absolutePath());
        QCOMPARE(shownFilter, selected);
        QVERIFY(!native);
        QCOMPARE(got->filePath, QDir(folder.path()).filePath(chosen));
        QCOMPARE(got->nameFilter, selected);
    }

    void openGivesTheChosenFile() {
        QTemporaryDir folder;
        const QString file = QDir(folder.path()).filePath(QStringLiteral("lauf.txt"));
        QFile(file).open(QIODevice::WriteOnly);
        const FileDialogRequest request{
            folder.path(), {}, QStringList{"Textdatei (*.txt)"}, "Textdatei (*.txt)", "txt"};
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        WhenModal<QFileDialog> answer([&](QFileDialog* dialog) {
            mode = dialog->fileMode();
            dialog->selectFile(file);
            // accept() may refuse while the file model has not yet seen the file; done() cannot.
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted); // QFileDialog hides it
        });
        const std::optional<FileDialogAnswer> got = QtFileDialogs().open(nullptr, request);
        QVERIFY(got);
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QCOMPARE(got->filePath, file);
        QCOMPARE(got->nameFilter, QStringLiteral("Textdatei (*.txt)"));
    }

    void cancelGivesNothing() {
        QTemporaryDir folder;
        const FileDialogRequest request{folder.path(), "x", QStringList{"Textdatei (*.txt)"}, "Textdatei (*.txt)",
                                        "txt"};
        WhenModal<QFileDialog> answer([](QFileDialog* dialog) { dialog->reject(); });
        QVERIFY(!QtFileDialogs().save(nullptr, request));
    }

private:
    QTemporaryDir m_settings;
};

QTEST_MAIN(TestFileDialogs)
#include "test_file_dialogs.moc"
