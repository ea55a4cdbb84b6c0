// Handing a file to xdg-open: its exit code read without blocking, and every way it fails
// (missing, no program for the type, crashed) told with the file's path.

#include "platform/desktop_open_job.h"

#include "fake_xdg_open.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

class TestDesktopOpenJob : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;

    // A written file with a name an official might give: spaces, umlauts.
    QUrl writtenFile() {
        const QString path = m_files.filePath(QStringLiteral("Lauf 3 – Müller.xlsx"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("PK");
        return QUrl::fromLocalFile(path);
    }

private slots:
    void outcomes_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a program opens it") << QByteArray("exit 0") << true << QString();
        QTest::newRow("no method available")
            << QByteArray("echo 'xdg-open: no method available for opening it' >&2\nexit 3") << false
            << QStringLiteral("Keine Anwendung zum Öffnen gefunden.");
        QTest::newRow("crashed") << QByteArray("kill -SEGV $$") << false
                                 << QStringLiteral("Keine Anwendung zum Öffnen gefunden.");
        QTest::newRow("xdg-open missing") << QByteArray() << false << QStringLiteral("xdg-open fehlt");
    }
    void outcomes() {
        QFETCH(QByteArray, script);
        QFETCH(bool, opened);
        QFETCH(QString, reason);
        FakeXdgOpen fake(script);
        const QUrl file = writtenFile();

        // The wait is long: the answer must come from the exit code, not from the wait.
        QPointer<DesktopOpenJob> job = DesktopOpenJob::start(file, 60000);
        QSignalSpy settled(job.data(), &DesktopOpenJob::settled);
        QVERIFY(settled.wait(10000));
        QCOMPARE(settled.first().at(0).toBool(), opened);
        const QString message = settled.first().at(1).toString();
        if (opened) {
            QVERIFY(message.isEmpty());
        } else {
            QVERIFY2(message.contains(reason), qPrintable(message));
            QVERIFY2(message.contains(file.toLocalFile()), qPrintable(message)); // where to find it
        }
        if (!script.isEmpty())
            QCOMPARE(fake.argument(), file.toLocalFile());
        QTRY_VERIFY_WITH_TIMEOUT(job.isNull(), 5000); // gone once xdg-open ended
        QCOMPARE(settled.size(), 1);
    }

    // Some openers stay with the program they started: after the wait the file counts as
    // opened, the GUI thread never waited, and a late exit code says nothing more.
    void anOpenerThatStaysIsTakenAsOpened() {
        FakeXdgOpen fake("sleep 2\nexit 3");
        QElapsedTimer clock;
        clock.start();
        QPointer<DesktopOpenJob> job = DesktopOpenJob::start(writtenFile(), 200);
        QVERIFY(clock.elapsed() < 1500); // start() does not wait for xdg-open
        QSignalSpy settled(job.data(), &DesktopOpenJob::settled);
        QVERIFY(settled.wait(10000));
        QCOMPARE(settled.first().at(0).toBool(), true);
        QVERIFY(clock.elapsed() < 1900); // from the wait, before xdg-open ended
        QTRY_VERIFY_WITH_TIMEOUT(job.isNull(), 10000);
        QCOMPARE(settled.size(), 1);
    }

    // A web address goes to xdg-open as it is; when nothing opens it, it is shown to type in.
    void aWebAddress() {
        FakeXdgOpen fake("exit 4");
        const QUrl site(QStringLiteral("https://www.quillmere.de/kontakt?a=1&b=%C3%BC"));
        QPointer<DesktopOpenJob> job = DesktopOpenJob::start(site, 60000);
        QSignalSpy settled(job.data(), &DesktopOpenJob::settled);
        QVERIFY(settled.wait(10000));
        QCOMPARE(settled.first().at(0).toBool(), false);
        QCOMPARE(fake.argument(), site.toString(QUrl::FullyEncoded));
        QVERIFY(settled.first().at(1).toString().contains(site.toString()));
    }
};

QTEST_GUILESS_MAIN(TestDesktopOpenJob)
#include "test_desktop_open_job.moc"
