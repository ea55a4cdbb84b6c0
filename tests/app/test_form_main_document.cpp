#include "../protocol/docx_reader.h"
#include "form_main_fixture.h"

#include "app/form_main_commands.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"

#include <QAction>
#include <QGuiApplication>
#include <QMessageBox>

// The protocol as a word-processor document from the main window: Ctrl+W and its
// button, and the save route's mode.
class TestFormMainDocument : public QObject {
    Q_OBJECT

private slots:
    void init() { m_fixture = std::make_unique<FormMainFixture>(); }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
    }

    void wordButtonFollowsTheProtocol() {
        createForm();
        QVERIFY(!m_form->ui().sbWord->isEnabled());
        addRows(1);
        QVERIFY(m_form->ui().sbWord->isEnabled());
        QCOMPARE(m_form->ui().sbWord->toolTip(), QStringLiteral("[Ctrl+W] Datei in MS Word"));
        QCOMPARE(m_form->commands().Word1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    }

    // Written under the date stamp beside the program, or in the documents folder when the
    // program folder cannot take it, then opened; a template put there later is used.
    void wordWritesDatedDocumentAndOpensIt_data() {
        QTest::addColumn<bool>("programFolderWritable");
        QTest::addColumn<bool>("withTemplate");
        QTest::addColumn<bool>("byKey"); // Ctrl+W, else the button
        QTest::newRow("program folder") << true << false << false;
        QTest::newRow("program folder, template") << true << true << false;
        // Installed, the program folder is not the official's: the documents folder is.
        QTest::newRow("documents folder") << false << false << false;
        QTest::newRow("program folder, Ctrl+W") << true << false << true;
    }
    void wordWritesDatedDocumentAndOpensIt() {
        QFETCH(bool, programFolderWritable);
        QFETCH(bool, withTemplate);
        QFETCH(bool, byKey);
        createForm();
        addRows(3);
        if (withTemplate)
            QVERIFY(writeBytes(QDir(m_fixture->programFolder()).filePath(QStringLiteral("Protokollvorlage.docx")),
                               zipEntries(templateParts())));
        // Root may write anywhere: a program folder that is gone cannot take the file either.
        if (!programFolderWritable)
            QVERIFY(QDir(m_fixture->programFolder()).removeRecursively());

        if (byKey) {
            // A key reaches its command only in the active window.
            QVERIFY(FormMainFixture::showActive(m_form.get()));
            QTest::keyClick(m_form.get(), Qt::Key_W, Qt::ControlModifier);
        } else {
            QTest::mousePress(m_form->ui().sbWord, Qt::LeftButton);
            QTest::mouseRelease(m_form->ui().sbWord, Qt::LeftButton);
        }

        const QString folder = programFolderWritable ? m_fixture->programFolder() : m_fixture->documentsFolder();
        const QString path = QDir(folder).filePath(QStringLiteral("2014-03-07-09-05.docx"));
        QCOMPARE(m_fixture->opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        const auto entries = unzip(readBytes(path));
        const Body body = readBody(entry(entries, QStringLiteral("word/document.xml")));
        QCOMPARE(body.blocks.first(), QStringLiteral("Bergrennen Öhringen"));
        QCOMPARE(body.rows.size(), 4);
        QCOMPARE(body.rows.at(2).at(1), QStringLiteral("Fahrer 2"));
        QCOMPARE(entry(entries, QStringLiteral("word/header1.xml")).isEmpty(), !withTemplate);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // The save route writes under the chosen name, beside the program when it has no
    // folder, and opens nothing.
    void savedDocumentIsNotOpened() {
        createForm();
        addRows(2);
        m_form->exportProtocolWord(TFormMain::DocumentMode::SaveOnly, QStringLiteral("Lauf.docx"));
        const Body body =
            readBody(entry(unzip(readBytes(QDir(m_fixture->programFolder()).filePath(QStringLiteral("Lauf.docx")))),
                           QStringLiteral("word/document.xml")));
        QCOMPARE(body.rows.size(), 3);
        QVERIFY(m_fixture->opened.isEmpty());
    }

    void failedWriteShowsWriteError_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("opened") << 0;
        QTest::newRow("saved") << 1;
    }
    void failedWriteShowsWriteError() {
        QFETCH(int, mode);
        createForm();
        addRows(1);
        const QString target = m_fixture->root.filePath(QStringLiteral("no such folder/Lauf.docx"));
        QString text;
        bool busy = true;
        WhenModal<QMessageBox> answer([&](QMessageBox* box) {
            text = box->text();
            busy = QGuiApplication::overrideCursor() != nullptr;
            box->accept();
        });
        m_form->exportProtocolWord(TFormMain::DocumentMode(mode), target);
        QCOMPARE(text.section(u'\n', 0, 0), QStringLiteral("Der Schreibfehler der Datei: ") + target);
        QVERIFY2(!busy, "the busy cursor is gone before the message");
        QVERIFY(m_fixture->opened.isEmpty());
    }

    // A template whose package holds one name twice cannot be written again: the document
    // is the plain one, and the official is told that the template was not used.
    void brokenTemplateGivesPlainDocument() {
        createForm();
        addRows(2);
        QList<ZipEntry> parts = templateParts();
        parts.append({QStringLiteral("word/extra.xm#"), "<w:hdr/>"});
        parts.append({QStringLiteral("word/extra.xml"), "<w:hdr/>"});
        QByteArray package = zipEntries(parts);
        QVERIFY(!package.isEmpty());
        // The same name twice, which no zip writer makes on purpose.
        package.replace("word/extra.xm#", "word/extra.xml");
        QVERIFY(
            writeBytes(QDir(m_fixture->programFolder()).filePath(QStringLiteral("Protokollvorlage.docx")), package));
        QString text;
        WhenModal<QMessageBox> answer([&](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
        FormMainCommands::clickItem(m_form->commands().Word1);
        QVERIFY2(text.contains(QStringLiteral("Vorlage")) && text.contains(QStringLiteral("nicht verwendet")),
                 qPrintable(text));
        const QString path = QDir(m_fixture->programFolder()).filePath(QStringLiteral("2014-03-07-09-05.docx"));
        QCOMPARE(m_fixture->opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        const auto entries = unzip(readBytes(path));
        QCOMPARE(readBody(entry(entries, QStringLiteral("word/document.xml"))).rows.size(), 3);
        QVERIFY(entry(entries, QStringLiteral("word/header1.xml")).isEmpty());
    }

    // Ctrl+W twice in one minute keeps the first document ("-2" for the second); a link
    // planted under the dated name is passed over, not written through.
    void sameMinuteKeepsEveryDocument() {
        createForm();
        addRows(1);
        const QDir folder(m_fixture->programFolder());
        const QString victim = m_fixture->root.filePath(QStringLiteral("fremd.txt"));
        QVERIFY(writeBytes(victim, "fremd"));
        QVERIFY(QFile::link(victim, folder.filePath(QStringLiteral("2014-03-07-09-05.docx"))));
        FormMainCommands::clickItem(m_form->commands().Word1);
        const QByteArray first = readBytes(folder.filePath(QStringLiteral("2014-03-07-09-05-2.docx")));
        QVERIFY(!first.isEmpty());
        addRows(2);
        FormMainCommands::clickItem(m_form->commands().Word1);
        QCOMPARE(readBytes(folder.filePath(QStringLiteral("2014-03-07-09-05-2.docx"))), first);
        QCOMPARE(readBody(entry(unzip(readBytes(folder.filePath(QStringLiteral("2014-03-07-09-05-3.docx")))),
                                QStringLiteral("word/document.xml")))
                     .rows.size(),
                 3);
        QCOMPARE(readBytes(victim), QByteArray("fremd"));
        QCOMPARE(m_fixture->opened.size(), 2);
    }

private:
    void createForm() {
        FormMainEnvironment environment = m_fixture->environment();
        environment.clock = [] { return QDateTime(QDate(2014, 3, 7), QTime(9, 5, 41)); };
        m_form = std::make_unique<TFormMain>(environment);
        Settings edited = m_form->settings();
        edited.Title = QStringLiteral("Bergrennen Öhringen");
        m_form->applySettings(edited);
    }
    void addRows(int count) {
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        grid.setRowCount(count + 1);
        for (int row = 1; row <= count; ++row) {
            grid.setCell(0, row, QString::number(row));
            grid.setCell(1, row, QStringLiteral("Fahrer %1").arg(row));
        }
        m_form->updateProtocolButtons();
    }

    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;
};

QTEST_MAIN(TestFormMainDocument)
#include "test_form_main_document.moc"
