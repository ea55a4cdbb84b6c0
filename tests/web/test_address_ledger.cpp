// Whom the live results server drops to let one more in: a device over its cap loses its own
// oldest connection; a full server the oldest of the device holding the most.
#include "web/address_ledger.h"
#include "web/connection_guard.h"

#include <QHostAddress>
#include <QTest>

class TestAddressLedger : public QObject {
    Q_OBJECT

private slots:
    void roomWhileThereIsRoom() {
        AddressLedger ledger(4, 2);
        ledger.add(1, "a");
        QCOMPARE(ledger.victimFor("a"), std::nullopt);
        QCOMPARE(ledger.victimFor("b"), std::nullopt);
    }

    void aDeviceAtItsCapLosesItsOldest() {
        AddressLedger ledger(100, 3);
        ledger.add(10, "a");
        ledger.add(11, "b");
        ledger.add(12, "a");
        ledger.add(13, "a");
        QCOMPARE(ledger.victimFor("a"), std::optional<quintptr>(10));
        QCOMPARE(ledger.victimFor("b"), std::nullopt);
        ledger.remove(10);
        QCOMPARE(ledger.countOf("a"), 2);
        QCOMPARE(ledger.victimFor("a"), std::nullopt);
    }

    void aFullServerDropsTheOldestOfTheBiggestHolder() {
        AddressLedger ledger(5, 5);
        ledger.add(1, "small"); // the oldest of all, but its device holds little
        ledger.add(2, "big");
        ledger.add(3, "other");
        ledger.add(4, "big");
        ledger.add(5, "other");
        // "big" and "other" hold two each: the one whose connection came first loses it.
        QCOMPARE(ledger.victimFor("new"), std::optional<quintptr>(2));
        ledger.remove(2);
        ledger.add(6, "new");
        QCOMPARE(ledger.victimFor("new"), std::optional<quintptr>(3));
    }

    // One device is one address in IPv4, and its /64 network in IPv6.
    void devices() {
        QCOMPARE(deviceKey(QHostAddress("192.168.1.5")), QStringLiteral("192.168.1.5"));
        QCOMPARE(deviceKey(QHostAddress("::ffff:192.168.1.5")), QStringLiteral("192.168.1.5"));
        QCOMPARE(deviceKey(QHostAddress("2001:db8:1:2:aaaa::1")), deviceKey(QHostAddress("2001:db8:1:2:bbbb::9")));
        QVERIFY(deviceKey(QHostAddress("2001:db8:1:2::1")) != deviceKey(QHostAddress("2001:db8:1:3::1")));
    }
};

QTEST_GUILESS_MAIN(TestAddressLedger)
#include "test_address_ledger.moc"
