#include "io/port_names.h"
#include "io/port_survey.h"
#include "io/serial_system_posix.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Port names and the sysfs survey, on a made-up sysfs tree.
class TestPortSurvey : public QObject {
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void survey();
    void emptySysfsStillHasTheSimulator();
    void driverFromSysfs();
};

namespace {

void addTty(const QString& root, const QString& name, const char* type = nullptr, bool withDevice = true) {
    const QString dir = root + "/class/tty/" + name;
    QVERIFY(QDir().mkpath(withDevice ? dir + "/device" : dir));
    if (type) {
        QFile file(dir + "/type");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(type);
    }
}

} // namespace

void TestPortSurvey::names_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("listText");

    QTest::newRow("COM1") << 1 << "/dev/ttyS0"
                          << "COM1 (ttyS0)";
    QTest::newRow("COM16") << 16 << "/dev/ttyS15"
                           << "COM16 (ttyS15)";
    QTest::newRow("COM17") << 17 << "/dev/ttyUSB0"
                           << "COM17 (ttyUSB0)";
    QTest::newRow("COM32") << 32 << "/dev/ttyUSB15"
                           << "COM32 (ttyUSB15)";
    QTest::newRow("COM33") << 33 << "/dev/ttyACM0"
                           << "COM33 (ttyACM0)";
    QTest::newRow("COM48") << 48 << "/dev/ttyACM15"
                           << "COM48 (ttyACM15)";
    QTest::newRow("COM49") << 49 << "/dev/ttyAMA0"
                           << "COM49 (ttyAMA0)";
    QTest::newRow("COM56") << 56 << "/dev/ttyAMA7"
                           << "COM56 (ttyAMA7)";
    QTest::newRow("COM57: no device") << 57 << ""
                                      << "COM57";
    QTest::newRow("COM0: no port") << 0 << ""
                                   << "COM0";
    QTest::newRow("COM64") << 64 << ""
                           << "COM64 (Simulator)";
}

void TestPortSurvey::names() {
    QFETCH(int, port);
    QFETCH(QString, path);
    QFETCH(QString, listText);
    QCOMPARE(QString::fromLatin1(comDevicePath(port)), path);
    QCOMPARE(comPortListText(port), listText);
    // The settings dialog reads the number back from the list text.
    QCOMPARE(portNumberOfListText(listText), port);
}

void TestPortSurvey::survey() {
    QTemporaryDir sysfs;
    const QString root = sysfs.path();
    addTty(root, "ttyS0", "4\n");            // a 16550A: COM1
    addTty(root, "ttyS1", "0\n");            // registered, no UART behind it
    addTty(root, "ttyS2");                   // no type file: not trusted
    addTty(root, "ttyUSB7");                 // COM24
    addTty(root, "ttyACM7");                 // COM40
    addTty(root, "ttyAMA7");                 // COM56
    addTty(root, "tty5", nullptr, true);     // a console, not a serial port
    addTty(root, "ttyUSB3", nullptr, false); // no device link
    addTty(root, "ttyUSB16");                // beyond the numbering

    const quint64 mask = scanComPorts(root);
    const quint64 expected =
        (quint64(1) << 0) | (quint64(1) << 23) | (quint64(1) << 39) | (quint64(1) << 55) | (quint64(1) << 63);
    QCOMPARE(QString::number(mask, 2), QString::number(expected, 2));
}

void TestPortSurvey::emptySysfsStillHasTheSimulator() {
    QTemporaryDir sysfs;
    QCOMPARE(scanComPorts(sysfs.path() + "/missing"), quint64(1) << 63);
}

void TestPortSurvey::driverFromSysfs() {
    // Decides whether an adapter gets low-latency mode; read without opening anything.
    QTemporaryDir sysfs;
    const QString root = sysfs.path();
    QVERIFY(QDir().mkpath(root + "/bus/usb-serial/drivers/ftdi_sio"));
    QVERIFY(QDir().mkpath(root + "/devices/ttyUSB0"));
    QVERIFY(QDir().mkpath(root + "/class/tty"));
    QVERIFY(QFile::link(root + "/bus/usb-serial/drivers/ftdi_sio", root + "/devices/ttyUSB0/driver"));
    QVERIFY(QDir().mkpath(root + "/class/tty/ttyUSB0"));
    QVERIFY(QFile::link(root + "/devices/ttyUSB0", root + "/class/tty/ttyUSB0/device"));

    PosixSerialSystem system(root);
    QCOMPARE(system.driverName("/dev/ttyUSB0"), QStringLiteral("ftdi_sio"));
    QCOMPARE(system.driverName("/dev/ttyUSB1"), QString());
}

QTEST_GUILESS_MAIN(TestPortSurvey)
#include "test_port_survey.moc"
