// Where the live results can be reached: the computer's network interfaces and the addresses
// a phone types, "http://<address>:<port>/", IPv4 and IPv6 alike. The server listens on every
// interface unless the official chose one, so the pages are seen in every network the laptop
// is in; these lists say which.

#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// A network interface that is up, with its usable addresses (no loopback, no link-local).
struct WebInterface {
    QString name;  // "wlan0", what the settings keep
    QString label; // what the official reads
    QList<QHostAddress> addresses;
};

// The interfaces of this computer that are up and have an address.
QList<WebInterface> webInterfaces();

// The addresses to type for port: every one of every interface when none is chosen (private
// networks first, IPv4 before IPv6), else the one the server listens on there.
QStringList liveAddresses(const QList<WebInterface>& interfaces, quint16 port, const QString& chosen = {});

// What to listen on for the chosen interface: its first address (IPv4 preferred), Any when
// none is chosen, and a null address when the chosen one is not up or has no address.
QHostAddress listenAddress(const QList<WebInterface>& interfaces, const QString& chosen);

// The addresses to type for a server listening on address (Any: every interface).
QStringList liveAddressesFor(const QHostAddress& address, quint16 port);
