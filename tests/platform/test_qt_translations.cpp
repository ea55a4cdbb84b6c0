// Qt's own dialog texts follow the desktop's language once its translations are installed.

#include "platform/qt_translations.h"

#include <QCoreApplication>
#include <QTest>

class TestQtTranslations : public QObject {
    Q_OBJECT

private slots:
    void germanDesktopGetsGermanQtTexts() {
        // The buttons of Qt's dialogs and message boxes come from this context.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        QVERIFY2(installQtTranslations(*QCoreApplication::instance(), QLocale(QLocale::German, QLocale::Germany)),
                 "qt6-translations-l10n is not installed (scripts/setup)");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "All Files (*)"), QStringLiteral("Alle Dateien (*)"));
    }

    void languageWithoutTranslationsKeepsQtsTexts() {
        QVERIFY(!installQtTranslations(*QCoreApplication::instance(), QLocale(QLocale::German, QLocale::Germany),
                                       QStringLiteral("/nonexistent")));
    }
};

QTEST_GUILESS_MAIN(TestQtTranslations)
#include "test_qt_translations.moc"
