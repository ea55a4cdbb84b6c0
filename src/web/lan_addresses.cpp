#include "web/lan_addresses.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>

QStringList lanAddresses(quint16 port) {
    QList<QHostAddress> found;
    for (const QNetworkInterface& net : QNetworkInterface::allInterfaces()) {
        const auto flags = net.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : net.addressEntries()) {
            const QHostAddress address = entry.ip();
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLinkLocal() &&
                !found.contains(address))
                found.append(address);
        }
    }
    // The club's router hands out private addresses; those are what the phones see.
    std::stable_sort(found.begin(), found.end(),
                     [](const QHostAddress& a, const QHostAddress& b) { return !a.isGlobal() && b.isGlobal(); });
    QStringList addresses;
    for (const QHostAddress& address : found)
        addresses.append(QStringLiteral("http://%1:%2/").arg(address.toString()).arg(port));
    return addresses;
}
