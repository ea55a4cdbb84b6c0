// The desktop opener the program uses: when nothing can open a written file, the official
// sees a message with its path that does not stop the run; otherwise nothing is shown.

#include "platform/desktop_opener.h"

#include "fake_xdg_open.h"

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

namespace {

QMessageBox* shownMessage() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

} // namespace

class TestDesktopOpener : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;

private slots:
    void cleanup() {
        while (QMessageBox* box = shownMessage())
            box->close();
    }

    void noProgramForTheFileIsTold() {
        FakeXdgOpen fake("echo 'xdg-open: no method available' >&2\nexit 3");
        const QString path = m_files.filePath(QStringLiteral("Tarvolt-Protokoll.html"));
        desktopUrlOpener(QStringLiteral("Bergrennen"))(QUrl::fromLocalFile(path));
        QTRY_VERIFY_WITH_TIMEOUT(shownMessage(), 10000);
        QMessageBox* box = shownMessage();
        QCOMPARE(box->windowTitle(), QStringLiteral("Bergrennen"));
        QVERIFY2(box->text().contains(path), qPrintable(box->text()));
        QVERIFY(box->text().contains(QStringLiteral("Keine Anwendung zum Öffnen gefunden")));
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void anOpenedFileShowsNothing() {
        FakeXdgOpen fake("exit 0");
        const QString path = m_files.filePath(QStringLiteral("Tarvolt-Wertung.html"));
        desktopUrlOpener(QStringLiteral("Tarvolt"))(QUrl::fromLocalFile(path));
        QTRY_COMPARE_WITH_TIMEOUT(fake.argument(), path, 10000);
        QTest::qWait(300); // the exit code is read from the event loop
        QVERIFY(!shownMessage());
    }
};

QTEST_MAIN(TestDesktopOpener)
#include "test_desktop_opener.moc"
