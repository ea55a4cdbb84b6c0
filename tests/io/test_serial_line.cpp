#include "fake_serial_system.h"
#include "io/com_errors.h"
#include "io/serial_line.h"

#include <QTest>

#include <fcntl.h>

// The open sequence of a serial line against a fake tty: order of the steps, the line
// settings they apply, and that every failure leaves the device closed again.
class TestSerialLine : public QObject {
    Q_OBJECT
private slots:
    void opensInOrder_data();
    void opensInOrder();
    void openFlags();
    void rawLine_data();
    void rawLine();
    void failedStepClosesDevice_data();
    void failedStepClosesDevice();
    void refusesSpeedZero();
    void snapshotWaitsForSettledCounters();
    void ringCountingFromTheUartType_data();
    void ringCountingFromTheUartType();
};

void TestSerialLine::opensInOrder_data() {
    QTest::addColumn<int>("flow");
    QTest::addColumn<bool>("dtr");
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("outputs");

    const QStringList head{"open /dev/ttyUSB0", "TIOCEXCL", "flock", "TCGETS2", "TCSETS2"};
    QTest::newRow("no handshake: DTR high, RTS low")
        << int(fcNone) << true << "" << head + QStringList{"TIOCMBIS DTR", "TIOCMBIC RTS", "TCIFLUSH"} << TIOCM_DTR;
    QTest::newRow("RTS/CTS: RTS high") << int(fcRtsCts) << true << "pl2303"
                                       << head + QStringList{"TIOCMBIS DTR", "TIOCMBIS RTS", "TCIFLUSH"}
                                       << (TIOCM_DTR | TIOCM_RTS);
    QTest::newRow("XON/XOFF: RTS low") << int(fcXonXoff) << true << ""
                                       << head + QStringList{"TIOCMBIS DTR", "TIOCMBIC RTS", "TCIFLUSH"} << TIOCM_DTR;
    QTest::newRow("DTR disabled") << int(fcNone) << false << ""
                                  << head + QStringList{"TIOCMBIC DTR", "TIOCMBIC RTS", "TCIFLUSH"} << 0;
    QTest::newRow("ftdi: low latency") << int(fcNone) << true << "ftdi_sio"
                                       << head + QStringList{"TIOCMBIS DTR", "TIOCMBIC RTS", "low latency", "TCIFLUSH"}
                                       << TIOCM_DTR;
}

void TestSerialLine::opensInOrder() {
    QFETCH(int, flow);
    QFETCH(bool, dtr);
    QFETCH(QString, driver);
    QFETCH(QStringList, steps);
    QFETCH(int, outputs);

    FakeSerialSystem fake;
    fake.setDriver(driver);
    SerialLine line(fake);
    LineSettings settings;
    settings.flowControl = TFlowControl(flow);
    settings.enableDtr = dtr;
    line.open("/dev/ttyUSB0", settings);
    QVERIFY(line.isOpen());
    QCOMPARE(fake.log(), steps);
    QCOMPARE(fake.outputs(), outputs);
    QCOMPARE(bool(fake.lastAttributes().c_cflag & CRTSCTS), flow == fcRtsCts);
}

void TestSerialLine::openFlags() {
    FakeSerialSystem fake;
    SerialLine line(fake);
    line.open("/dev/ttyACM0", {});
    QCOMPARE(fake.openFlags(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    line.close();
    QVERIFY(!fake.isOpen());
}

void TestSerialLine::rawLine_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("flow");
    QTest::addColumn<uint>("cflags");
    QTest::addColumn<uint>("iflags");

    const uint always = CLOCAL | CREAD | HUPCL | BOTHER;
    QTest::newRow("9600 8N1") << 9600 << 8 << int(prNone) << int(sbOneStopBit) << int(fcNone) << (always | CS8) << 0u;
    QTest::newRow("user rate 28800") << 28800 << 8 << int(prNone) << int(sbOneStopBit) << int(fcNone) << (always | CS8)
                                     << 0u;
    QTest::newRow("7O2") << 9600 << 7 << int(prOdd) << int(sbTwoStopBits) << int(fcNone)
                         << (always | CS7 | PARENB | PARODD | CSTOPB) << 0u;
    QTest::newRow("5E1.5") << 110 << 5 << int(prEven) << int(sbOne5StopBits) << int(fcNone)
                           << (always | CS5 | PARENB | CSTOPB) << 0u;
    QTest::newRow("mark") << 9600 << 6 << int(prMark) << int(sbOneStopBit) << int(fcNone)
                          << (always | CS6 | PARENB | CMSPAR | PARODD) << 0u;
    QTest::newRow("space") << 9600 << 8 << int(prSpace) << int(sbOneStopBit) << int(fcNone)
                           << (always | CS8 | PARENB | CMSPAR) << 0u;
    QTest::newRow("RTS/CTS") << 256000 << 8 << int(prNone) << int(sbOneStopBit) << int(fcRtsCts)
                             << (always | CS8 | CRTSCTS) << 0u;
    QTest::newRow("XON/XOFF") << 9600 << 8 << int(prNone) << int(sbOneStopBit) << int(fcXonXoff) << (always | CS8)
                              << uint(IXON | IXOFF);
}

void TestSerialLine::rawLine() {
    QFETCH(int, rate);
    QFETCH(int, dataBits);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, flow);
    QFETCH(uint, cflags);
    QFETCH(uint, iflags);

    FakeSerialSystem fake;
    SerialLine line(fake);
    LineSettings settings;
    settings.baudRate = rate;
    settings.dataBits = dataBits;
    settings.parity = TParity(parity);
    settings.stopBits = TStopBits(stopBits);
    settings.flowControl = TFlowControl(flow);
    line.open("/dev/ttyUSB1", settings);

    // The fake hands out a cooked 7E1 line at 9600; nothing of it may survive.
    const termios2 t = fake.lastAttributes();
    QCOMPARE(uint(t.c_cflag & ~(CBAUD << IBSHIFT)), cflags);
    QCOMPARE(uint(t.c_cflag >> IBSHIFT & CBAUD), uint(BOTHER));
    QCOMPARE(uint(t.c_iflag), iflags);
    QCOMPARE(int(t.c_ospeed), rate);
    QCOMPARE(int(t.c_ispeed), rate);
    QCOMPARE(uint(t.c_lflag & (ICANON | ECHO | ISIG)), 0u);
    QCOMPARE(uint(t.c_oflag & OPOST), 0u);
    QCOMPARE(int(t.c_cc[VSTART]), 0x11);
    QCOMPARE(int(t.c_cc[VSTOP]), 0x13);
    QCOMPARE(int(t.c_cc[VMIN]), 0);
    QCOMPARE(int(t.c_cc[VTIME]), 0);
}

void TestSerialLine::failedStepClosesDevice_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("stateError");
    QTest::addColumn<QString>("message");

    QTest::newRow("open") << "open" << ENOENT << false << "Unable to open com port: No such file or directory";
    QTest::newRow("exclusive") << "TIOCEXCL" << EBUSY << false << "Unable to open com port: Device or resource busy";
    QTest::newRow("lock held") << "flock" << EWOULDBLOCK << false << "Unable to open com port: Device or resource busy";
    QTest::newRow("read settings") << "TCGETS2" << EIO << true << "Unable to set com state: Input/output error";
    QTest::newRow("write settings") << "TCSETS2" << EINVAL << true << "Unable to set com state: Invalid argument";
    QTest::newRow("raise DTR") << "TIOCMBIS" << ENOTTY << true
                               << "Unable to set com state: Inappropriate ioctl for device";
    QTest::newRow("lower RTS") << "TIOCMBIC" << EIO << true << "Unable to set com state: Input/output error";
}

void TestSerialLine::failedStepClosesDevice() {
    QFETCH(QString, call);
    QFETCH(int, error);
    QFETCH(bool, stateError);
    QFETCH(QString, message);

    FakeSerialSystem fake;
    fake.failNext(call, error);
    SerialLine line(fake);
    QString caught;
    bool wasState = false;
    try {
        line.open("/dev/ttyUSB0", {});
    } catch (const EComHandle& e) {
        caught = e.Message();
    } catch (const EComState& e) {
        caught = e.Message();
        wasState = true;
    }
    QCOMPARE(caught, message);
    QCOMPARE(wasState, stateError);
    QVERIFY(!line.isOpen());
    QVERIFY(!fake.isOpen());
    if (call != QLatin1String("open")) {
        // Exclusive use is given up first: the mark would outlive the descriptor.
        QCOMPARE(fake.log().mid(fake.log().size() - 2), (QStringList{"TIOCNXCL", "close"}));
    }

    // Nothing is left held, so the next attempt succeeds.
    line.open("/dev/ttyUSB0", {});
    QVERIFY(line.isOpen());
}

void TestSerialLine::refusesSpeedZero() {
    // Speed 0 tells the tty layer to hang up, which would drop DTR under the barriers.
    FakeSerialSystem fake;
    SerialLine line(fake);
    LineSettings settings;
    settings.baudRate = 0;
    QVERIFY_THROWS_EXCEPTION(EComState, line.open("/dev/ttyUSB0", settings));
    QVERIFY(!fake.isOpen());
    QVERIFY(!fake.log().contains(QStringLiteral("TCSETS2")));
}

void TestSerialLine::snapshotWaitsForSettledCounters() {
    FakeSerialSystem fake;
    SerialLine line(fake);
    line.open("/dev/ttyUSB0", {});
    fake.setInputs(TIOCM_CTS);
    fake.chatterOnCounterReads(2);
    LineSnapshot snapshot;
    QCOMPARE(line.snapshot(&snapshot), 0);
    // Counters read 2 and 3 times moved; the snapshot is taken once they stand still.
    QCOMPARE(snapshot.counters.cts, 3);
    QCOMPARE(snapshot.modemStatus, quint32(MS_CTS_ON));
}

void TestSerialLine::ringCountingFromTheUartType_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("counting");
    QTest::newRow("USB adapter (no serial-core UART)") << 0 << 0 << int(RingCounting::BothEdges);
    QTest::newRow("8250") << 0 << 1 << int(RingCounting::TrailingEdgeOnly);
    QTest::newRow("16550A") << 0 << 4 << int(RingCounting::TrailingEdgeOnly);
    QTest::newRow("Freescale 16550, last of the 8250 core") << 0 << 30 << int(RingCounting::TrailingEdgeOnly);
    QTest::newRow("PL011: in doubt") << 0 << 32 << int(RingCounting::Unknown);
    QTest::newRow("no TIOCGSERIAL: in doubt") << ENOTTY << 0 << int(RingCounting::Unknown);
}

void TestSerialLine::ringCountingFromTheUartType() {
    QFETCH(int, error);
    QFETCH(int, type);
    QFETCH(int, counting);
    QCOMPARE(int(ringCountingOf(error, type)), counting);

    // The driver's name says nothing: on the serial-base bus every built-in port names "port".
    FakeSerialSystem fake;
    fake.setDriver(QStringLiteral("port"));
    fake.setUartType(type);
    if (error) {
        fake.failNext(QStringLiteral("TIOCGSERIAL"), error);
    }
    SerialLine line(fake);
    line.open("/dev/ttyS0", {});
    QCOMPARE(int(line.ringCounting()), counting);
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "test_serial_line.moc"
