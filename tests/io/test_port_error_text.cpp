// The official reads why a port failed in German.

#include "io/com_errors.h"
#include "io/port_error_text.h"

#include <QTest>

#include <cerrno>

class TestPortErrorText : public QObject {
    Q_OBJECT

private slots:
    void componentTextsInGerman() {
        QCOMPARE(officialPortErrorText(QString::fromUtf8(openError(EBUSY).what())),
                 QStringLiteral("Der Anschluss lässt sich nicht öffnen: er ist belegt (hat ihn ein anderes Programm "
                                "oder ein zweites Tarvolt?)"));
        QCOMPARE(officialPortErrorText(QString::fromUtf8(openError(ENOENT).what())),
                 QStringLiteral("Der Anschluss lässt sich nicht öffnen: das Gerät gibt es nicht (Adapter nicht "
                                "eingesteckt?)"));
        QVERIFY(officialPortErrorText(QString::fromUtf8(stateError(EIO).what()))
                    .startsWith(QStringLiteral("Der Anschluss lässt sich nicht einstellen: ")));
        // Already German: kept as it is.
        const QString rights = QString::fromUtf8(openError(EACCES, "/dev/ttyUSB0").what());
        QCOMPARE(officialPortErrorText(rights), rights);
    }
};

QTEST_GUILESS_MAIN(TestPortErrorText)
#include "test_port_error_text.moc"
