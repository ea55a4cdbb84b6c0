// Where the live results can be reached: every address of every interface (IPv6 too) while
// the server listens on all, only the chosen interface's when the official limits it.
#include "web/lan_addresses.h"

#include <QTest>

namespace {

QList<WebInterface> laptop() {
    return {
        {QStringLiteral("wlan0"),
         QStringLiteral("WLAN"),
         {QHostAddress(QStringLiteral("2001:db8::5")), QHostAddress(QStringLiteral("192.168.1.5")),
          QHostAddress(QStringLiteral("fd00::5"))}},
        {QStringLiteral("eth0"),
         QStringLiteral("Kabel"),
         {QHostAddress(QStringLiteral("203.0.113.7")), QHostAddress(QStringLiteral("fe80::1"))}},
    };
}

} // namespace

class TestLiveAddresses : public QObject {
    Q_OBJECT

private slots:
    void everyNetworkTheLaptopIsIn() {
        const QStringList all = liveAddresses(laptop(), 8080);
        QCOMPARE(all, (QStringList{"http://192.168.1.5:8080/", "http://[fd00::5]:8080/", "http://203.0.113.7:8080/",
                                   "http://[2001:db8::5]:8080/"}));
        QCOMPARE(listenAddress(laptop(), {}), QHostAddress(QHostAddress::Any));
    }

    void oneChosenInterface() {
        QCOMPARE(listenAddress(laptop(), QStringLiteral("wlan0")), QHostAddress(QStringLiteral("192.168.1.5")));
        QCOMPARE(liveAddresses(laptop(), 81, QStringLiteral("wlan0")), QStringList{"http://192.168.1.5:81/"});
        QCOMPARE(liveAddresses(laptop(), 81, QStringLiteral("eth0")), QStringList{"http://203.0.113.7:81/"});
        // Not here now: nothing to listen on, nothing to show.
        QVERIFY(listenAddress(laptop(), QStringLiteral("usb0")).isNull());
        QVERIFY(liveAddresses(laptop(), 81, QStringLiteral("usb0")).isEmpty());
        QCOMPARE(liveAddressesFor(QHostAddress(QStringLiteral("10.1.2.3")), 8080),
                 QStringList{"http://10.1.2.3:8080/"});
    }
};

QTEST_GUILESS_MAIN(TestLiveAddresses)
#include "test_live_addresses.moc"
