// The network interfaces and the addresses a phone can type, private ones first, IPv4
// before IPv6; loopback and link-local addresses are left out.

#include "web/lan_addresses.h"

#include <QNetworkInterface>

#include <algorithm>

namespace {

bool usable(const QHostAddress& address) {
    return !address.isLoopback() && !address.isLinkLocal() && !address.isNull() && !address.isMulticast();
}

QString urlOf(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(port);
}

bool isPrivate(const QHostAddress& address) {
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return address.isUniqueLocalUnicast();
    return address.isInSubnet(QHostAddress(QStringLiteral("10.0.0.0")), 8) ||
           address.isInSubnet(QHostAddress(QStringLiteral("172.16.0.0")), 12) ||
           address.isInSubnet(QHostAddress(QStringLiteral("192.168.0.0")), 16);
}

// The club's router hands out private addresses; those are what the phones see first.
int rank(const QHostAddress& address) {
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    return (isPrivate(address) ? 0 : 2) + (v6 ? 1 : 0);
}

} // namespace

QList<WebInterface> webInterfaces() {
    QList<WebInterface> found;
    for (const QNetworkInterface& net : QNetworkInterface::allInterfaces()) {
        const auto flags = net.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        WebInterface web{net.name(), net.humanReadableName(), {}};
        for (const QNetworkAddressEntry& entry : net.addressEntries()) {
            if (usable(entry.ip()) && !web.addresses.contains(entry.ip()))
                web.addresses.append(entry.ip());
        }
        if (!web.addresses.isEmpty())
            found.append(web);
    }
    return found;
}

QStringList liveAddresses(const QList<WebInterface>& interfaces, quint16 port, const QString& chosen) {
    if (!chosen.isEmpty()) {
        const QHostAddress address = listenAddress(interfaces, chosen);
        return address.isNull() ? QStringList() : QStringList{urlOf(address, port)};
    }
    QList<QHostAddress> found;
    for (const WebInterface& net : interfaces) {
        for (const QHostAddress& address : net.addresses) {
            if (usable(address) && !found.contains(address))
                found.append(address);
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const QHostAddress& a, const QHostAddress& b) { return rank(a) < rank(b); });
    QStringList urls;
    for (const QHostAddress& address : found)
        urls.append(urlOf(address, port));
    return urls;
}

QHostAddress listenAddress(const QList<WebInterface>& interfaces, const QString& chosen) {
    if (chosen.isEmpty())
        return QHostAddress::Any;
    for (const WebInterface& net : interfaces) {
        if (net.name != chosen)
            continue;
        QList<QHostAddress> addresses = net.addresses;
        std::stable_sort(addresses.begin(), addresses.end(), [](const QHostAddress& a, const QHostAddress& b) {
            return a.protocol() == QAbstractSocket::IPv4Protocol && b.protocol() != QAbstractSocket::IPv4Protocol;
        });
        return addresses.value(0);
    }
    return {};
}

QStringList liveAddressesFor(const QHostAddress& address, quint16 port) {
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6)
        return liveAddresses(webInterfaces(), port);
    return {urlOf(address, port)};
}
