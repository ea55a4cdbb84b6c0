#include "dialogs/dlg_yes_no.h"

#include "platform/app_names.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

enum class Answer { ClickJa, EnterOnFocus, ClickNein, Escape, CloseButton, TabThenSpace };

void give(TFDlgYesNo& dialog, Answer answer) {
    switch (answer) {
    case Answer::ClickJa:
        QTest::mouseClick(dialog.OKBtn, Qt::LeftButton);
        break;
    case Answer::EnterOnFocus:
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        break;
    case Answer::ClickNein:
        QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton);
        break;
    case Answer::Escape:
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        break;
    case Answer::CloseButton:
        // What the window manager does when the title bar's close button is pressed.
        dialog.windowHandle()->close();
        break;
    case Answer::TabThenSpace:
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        break;
    }
}

// Runs `inside` once the modal dialog is up and active; gives up after 5 s so a
// failure cannot hang the test.
void whileOpen(TFDlgYesNo& dialog, std::function<void()> inside) {
    QTimer::singleShot(0, &dialog, [&dialog, inside] {
        if (QTest::qWaitForWindowActive(&dialog))
            inside();
    });
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(-1); });
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestDlgYesNo : public QObject {
    Q_OBJECT

private slots:
    void layout() {
        TFDlgYesNo dialog(QStringLiteral("Tarvolt"));
        QCOMPARE(dialog.size(), QSize(222, 94));
        QCOMPARE(dialog.Label1->text(), QStringLiteral("?"));
        QCOMPARE(dialog.Label1->size(), QSize(169, 49));
        QCOMPARE(dialog.Label1->alignment(), Qt::AlignCenter);
        QVERIFY(dialog.Label1->wordWrap());
        QCOMPARE(dialog.Icon->size(), QSize(32, 32));
        QVERIFY(!dialog.Icon->pixmap().isNull());
        QVERIFY(dialog.Icon->geometry().right() < dialog.Label1->geometry().left());
        QCOMPARE(dialog.OKBtn->text(), QStringLiteral("Ja"));
        QCOMPARE(dialog.CancelBtn->text(), QStringLiteral("Nein"));
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(dialog.font().pixelSize(), 11);
    }

    void captionIsApplicationTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("caption");
        QTest::newRow("given") << QStringLiteral("Bergrennen") << QStringLiteral("Bergrennen");
        // The way the program derives it: this test's executable name.
        QTest::newRow("from executable") << appNamesFor(QCoreApplication::applicationFilePath()).baseName
                                         << QStringLiteral("test_dlg_yes_no");
    }
    void captionIsApplicationTitle() {
        QFETCH(QString, title);
        QFETCH(QString, caption);
        TFDlgYesNo dialog(title);
        QCOMPARE(dialog.windowTitle(), caption);
    }

    void answers_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("result");
        QTest::newRow("Ja") << Answer::ClickJa << true << 6;
        QTest::newRow("Enter on the first button") << Answer::EnterOnFocus << true << 6;
        QTest::newRow("Nein") << Answer::ClickNein << false << 2;
        QTest::newRow("Esc") << Answer::Escape << false << 2;
        QTest::newRow("close button") << Answer::CloseButton << false << 2;
        QTest::newRow("Tab to Nein, Space") << Answer::TabThenSpace << false << 2;
    }
    void answers() {
        QFETCH(Answer, answer);
        QFETCH(bool, yes);
        QFETCH(int, result);
        TFDlgYesNo dialog(QStringLiteral("Tarvolt"));
        QWidget* focusOnOpen = nullptr;
        whileOpen(dialog, [&] {
            focusOnOpen = QApplication::focusWidget();
            give(dialog, answer);
        });
        QCOMPARE(dialog.ask(QStringLiteral("Programm beenden?")), yes);
        QCOMPARE(dialog.result(), result);
        QCOMPARE(focusOnOpen, dialog.OKBtn);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.Label1->text(), QStringLiteral("Programm beenden?"));
    }

    // Shown again after "Nein" was chosen by keyboard: the focus is back on "Ja".
    void reopensOnJa() {
        TFDlgYesNo dialog(QStringLiteral("Tarvolt"));
        whileOpen(dialog, [&] { give(dialog, Answer::TabThenSpace); });
        QVERIFY(!dialog.ask(QStringLiteral("Zeitenprotokoll  löschen?")));
        QWidget* focusOnOpen = nullptr;
        whileOpen(dialog, [&] {
            focusOnOpen = QApplication::focusWidget();
            give(dialog, Answer::EnterOnFocus);
        });
        QVERIFY(dialog.ask(QStringLiteral("Zeitenprotokoll  löschen?")));
        QCOMPARE(focusOnOpen, dialog.OKBtn);
    }
};

QTEST_MAIN(TestDlgYesNo)
#include "test_dlg_yes_no.moc"
