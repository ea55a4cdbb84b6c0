#pragma once

#include <QStringList>
#include <QtGlobal>

// The addresses a phone on the local network types to reach the live results:
// "http://<address>:<port>/" for every IPv4 address of an interface that is up and is
// not the loopback, private networks first. Empty when the computer has no network.
QStringList lanAddresses(quint16 port);
