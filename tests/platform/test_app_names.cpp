#include "platform/app_names.h"

#include <QTest>

class TestAppNames : public QObject {
    Q_OBJECT

private slots:
    void derivesTitleAndFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("baseName");
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "/opt/tarvolt/Tarvolt"
                               << "Tarvolt"
                               << "/opt/tarvolt/";
        QTest::newRow("extension dropped") << "/opt/tarvolt/Tarvolt.exe"
                                           << "Tarvolt"
                                           << "/opt/tarvolt/";
        QTest::newRow("renamed") << "/home/race/Bergrennen"
                                 << "Bergrennen"
                                 << "/home/race/";
        QTest::newRow("root folder") << "/Tarvolt"
                                     << "Tarvolt"
                                     << "/";
    }
    void derivesTitleAndFolder() {
        QFETCH(QString, path);
        QFETCH(QString, baseName);
        QFETCH(QString, folder);
        const AppNames names = appNamesFor(path);
        QCOMPARE(names.baseName, baseName);
        QCOMPARE(names.programFolder, folder);
    }
};

QTEST_GUILESS_MAIN(TestAppNames)
#include "test_app_names.moc"
