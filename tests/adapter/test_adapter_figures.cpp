// The adapter test's arithmetic and verdicts, the sysfs description and the kept result.

#include "adapter/adapter_figures.h"
#include "adapter/adapter_identity.h"
#include "adapter/adapter_report.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(QList<LineChange>)
Q_DECLARE_METATYPE(LineFigures)

class TestAdapterFigures : public QObject {
    Q_OBJECT
private slots:
    void percentiles();
    void matching_data();
    void matching();
    void verdicts_data();
    void verdicts();
    void usbAdapterFromSysfs();
    void builtInPortFromSysfs();
    void resultKeptPerPort();
};

namespace {

// Toggles of one output: alternating levels starting high, at the given µs.
QList<LineChange> toggles(const QList<qint64>& at) {
    QList<LineChange> list;
    bool level = true;
    for (qint64 us : at) {
        list.append({us, level});
        level = !level;
    }
    return list;
}

LineFigures fine(qint64 maxUs) {
    return {200, 200, maxUs / 2, maxUs, maxUs};
}

} // namespace

void TestAdapterFigures::percentiles() {
    QCOMPARE(percentileOf({}, 50), 0);
    QCOMPARE(percentileOf({7}, 99), 7);
    QList<qint64> hundred;
    for (int i = 1; i <= 100; ++i) {
        hundred.append(i);
    }
    QCOMPARE(percentileOf(hundred, 50), 50);
    QCOMPARE(percentileOf(hundred, 99), 99);
    QCOMPARE(percentileOf(hundred, 100), 100);
    // Nearest rank: of 3 values the median is the second, p99 the third.
    QCOMPARE(percentileOf({1, 2, 30}, 50), 2);
    QCOMPARE(percentileOf({1, 2, 30}, 99), 30);
}

void TestAdapterFigures::matching_data() {
    QTest::addColumn<QList<LineChange>>("made");
    QTest::addColumn<QList<LineChange>>("seen");
    QTest::addColumn<LineFigures>("expected");

    const QList<LineChange> four = toggles({1000, 11000, 21000, 31000});
    QTest::newRow("every change back") << four
                                       << QList<LineChange>{{1200, true}, {11300, false}, {21200, true}, {31500, false}}
                                       << LineFigures{4, 4, 200, 500, 500};
    QTest::newRow("nothing back") << four << QList<LineChange>{} << LineFigures{4, 0, 0, 0, 0};
    // The opening's own changes come before the first toggle and answer nothing.
    QTest::newRow("changes before the first toggle ignored")
        << four
        << QList<LineChange>{{10, true}, {20, false}, {1100, true}, {11100, false}, {21100, true}, {31100, false}}
        << LineFigures{4, 4, 100, 100, 100};
    // A lost change leaves the input where it was, so the toggle back finds nothing either.
    QTest::newRow("one change lost") << four << QList<LineChange>{{21100, true}, {31100, false}}
                                     << LineFigures{4, 2, 100, 100, 100};
    // Later than the toggle after next (which sets the same level again) is no answer.
    QTest::newRow("answer too late is lost")
        << four << QList<LineChange>{{22000, true}, {32000, false}} << LineFigures{4, 2, 1000, 1000, 1000};
    // A slow adapter answers after the next toggle already: still matched, in order.
    QTest::newRow("answer after the next toggle")
        << four << QList<LineChange>{{12000, true}, {22000, false}, {32000, true}, {42000, false}}
        << LineFigures{4, 4, 11000, 11000, 11000};
    QTest::newRow("wrong level is no answer")
        << toggles({1000}) << QList<LineChange>{{1100, false}} << LineFigures{1, 0, 0, 0, 0};
}

void TestAdapterFigures::matching() {
    QFETCH(QList<LineChange>, made);
    QFETCH(QList<LineChange>, seen);
    QFETCH(LineFigures, expected);
    const LineFigures figures = lineFiguresOf(made, seen);
    QCOMPARE(figures.made, expected.made);
    QCOMPARE(figures.seen, expected.seen);
    QCOMPARE(figures.p50Us, expected.p50Us);
    QCOMPARE(figures.p99Us, expected.p99Us);
    QCOMPARE(figures.maxUs, expected.maxUs);
}

void TestAdapterFigures::verdicts_data() {
    QTest::addColumn<LineFigures>("cts");
    QTest::addColumn<LineFigures>("ri");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("headline");
    QTest::addColumn<QString>("reasonPart");

    QTest::newRow("fast") << fine(400) << fine(300) << int(AdapterVerdict::Suitable) << "geeignet"
                          << "höchstens nach 0,40 ms";
    QTest::newRow("2 ms is still fine") << fine(2000) << fine(300) << int(AdapterVerdict::Suitable) << "geeignet"
                                        << "2,00 ms";
    QTest::newRow("just over 2 ms") << fine(2001) << fine(300) << int(AdapterVerdict::Limited) << "mit Einschränkungen"
                                    << "Hundertstel";
    QTest::newRow("10 ms is limited") << fine(300) << fine(10000) << int(AdapterVerdict::Limited)
                                      << "mit Einschränkungen"
                                      << "10,00 ms auf RI";
    QTest::newRow("over 10 ms") << fine(16100) << fine(300) << int(AdapterVerdict::Unsuitable) << "ungeeignet"
                                << "mehr als 10 ms";
    QTest::newRow("one lost") << LineFigures{200, 199, 100, 200, 300} << fine(300) << int(AdapterVerdict::Unsuitable)
                              << "ungeeignet"
                              << "CTS 199 von 200";
    QTest::newRow("a silent line") << fine(300) << LineFigures{200, 0, 0, 0, 0} << int(AdapterVerdict::Unsuitable)
                                   << "ungeeignet"
                                   << "Auf RI kam kein Wechsel zurück";
}

void TestAdapterFigures::verdicts() {
    QFETCH(LineFigures, cts);
    QFETCH(LineFigures, ri);
    QFETCH(int, verdict);
    QFETCH(QString, headline);
    QFETCH(QString, reasonPart);
    const AdapterJudgement judgement = judgeAdapter({cts, fine(300), fine(300), ri});
    QCOMPARE(int(judgement.verdict), verdict);
    QCOMPARE(judgement.headline, headline);
    QVERIFY2(judgement.reason.contains(reasonPart), qPrintable(judgement.reason));

    // Nothing back anywhere says so and does not blame the adapter.
    const LineFigures none{200, 0, 0, 0, 0};
    const AdapterJudgement nothing = judgeAdapter({none, none, none, none});
    QCOMPARE(nothing.verdict, AdapterVerdict::NoPlug);
    QCOMPARE(nothing.headline, QStringLiteral("kein Wechsel kam zurück"));
    QVERIFY(nothing.reason.contains(QStringLiteral("Prüfstecker")));
    QVERIFY(!nothing.reason.contains(QStringLiteral("ungeeignet")));
}

namespace {

void write(const QString& path, const QByteArray& text) {
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

void TestAdapterFigures::usbAdapterFromSysfs() {
    QTemporaryDir sys;
    const QString root = sys.path();
    // As the kernel lays it out: the tty's device links into the USB interface below the device.
    const QString usbDevice = root + "/devices/pci0000:00/usb1/1-2";
    const QString port = usbDevice + "/1-2:1.0/ttyUSB0";
    write(usbDevice + "/idVendor", "0403\n");
    write(usbDevice + "/idProduct", "6001\n");
    write(usbDevice + "/manufacturer", "FTDI\n");
    write(usbDevice + "/product", "FT232R USB UART\n");
    write(usbDevice + "/serial", "A10KZP3X\n");
    write(port + "/latency_timer", "16\n");
    QVERIFY(QDir().mkpath(root + "/bus/usb-serial/drivers/ftdi_sio"));
    QVERIFY(QFile::link(root + "/bus/usb-serial/drivers/ftdi_sio", port + "/driver"));
    QVERIFY(QDir().mkpath(root + "/class/tty/ttyUSB0"));
    QVERIFY(QFile::link(port, root + "/class/tty/ttyUSB0/device"));

    const AdapterIdentity identity = identifyAdapter("/dev/ttyUSB0", root);
    QCOMPARE(identity.driver, QStringLiteral("ftdi_sio"));
    QVERIFY(identity.usb);
    QCOMPARE(identity.vendorId, QStringLiteral("0403"));
    QCOMPARE(identity.productId, QStringLiteral("6001"));
    QCOMPARE(identity.serial, QStringLiteral("A10KZP3X"));
    QCOMPARE(identity.latencyTimerMs, QStringLiteral("16"));
    const QStringList lines = identityLines(identity);
    QVERIFY(lines.contains(QStringLiteral("USB: 0403:6001 FTDI FT232R USB UART")));
    QVERIFY(lines.contains(QStringLiteral("Seriennummer: A10KZP3X")));
    QVERIFY(lines.contains(QStringLiteral("Latenz-Timer: 16 ms")));
}

void TestAdapterFigures::builtInPortFromSysfs() {
    QTemporaryDir sys;
    const QString root = sys.path();
    const QString port = root + "/devices/platform/serial8250/tty/ttyS0";
    QVERIFY(QDir().mkpath(port));
    QVERIFY(QDir().mkpath(root + "/bus/platform/drivers/serial8250"));
    QVERIFY(QFile::link(root + "/bus/platform/drivers/serial8250", port + "/driver"));
    QVERIFY(QDir().mkpath(root + "/class/tty/ttyS0"));
    QVERIFY(QFile::link(port, root + "/class/tty/ttyS0/device"));

    const AdapterIdentity identity = identifyAdapter("/dev/ttyS0", root);
    QCOMPARE(identity.driver, QStringLiteral("serial8250"));
    QVERIFY(!identity.usb);
    QVERIFY(identity.latencyTimerMs.isEmpty());
    QVERIFY(!identityLines(identity).join('\n').contains("USB"));

    // A device sysfs does not know: nothing made up.
    const AdapterIdentity unknown = identifyAdapter("/dev/pts/7", root);
    QVERIFY(unknown.driver.isEmpty());
    QVERIFY(identityLines(unknown).contains(QStringLiteral("Treiber: unbekannt")));
}

void TestAdapterFigures::resultKeptPerPort() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Tarvolt-Adapter.conf");
    AdapterTestResult result;
    result.when = QDateTime(QDate(2026, 12, 8), QTime(21, 5));
    result.portText = "COM17 (ttyUSB0)";
    result.lines = {fine(5000), fine(300), fine(300), fine(300)};
    result.judgement = judgeAdapter(result.lines);
    QVERIFY(!keepAdapterTest(path, result));

    const auto kept = keptAdapterTest(path, "COM17 (ttyUSB0)");
    QVERIFY(kept);
    QCOMPARE(kept->when, result.when);
    QCOMPARE(kept->verdict, AdapterVerdict::Limited);
    QCOMPARE(kept->lines, adapterReportLines(result));
    QVERIFY(
        kept->lines.contains("CTS: 200 von 200 Wechseln zurück, Verzögerung p50 2,50 ms, p99 5,00 ms, max 5,00 ms"));
    QVERIFY(kept->lines.contains("Geprüft am 08.12.2026 21:05"));
    QVERIFY(kept->lines.join('\n').contains("höchstens diese Verzögerung"));
    QVERIFY(!keptAdapterTest(path, "COM64 (Simulator)"));

    // A damaged entry is no result.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("\n[Adapter-COM1__ttyS0_]\nWhen=yesterday\nVerdict=9\n");
    file.close();
    QVERIFY(!keptAdapterTest(path, "COM1 (ttyS0)"));
    QVERIFY(keptAdapterTest(path, "COM17 (ttyUSB0)"));
}

QTEST_GUILESS_MAIN(TestAdapterFigures)
#include "test_adapter_figures.moc"
