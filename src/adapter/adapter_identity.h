// What the system says about the adapter behind a port: driver, and for USB adapters vendor,
// product, serial number and latency timer. Read from sysfs only; the device is never opened,
// since opening it would toggle DTR and RTS on whatever is wired there.

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct AdapterIdentity {
    QString device; // "/dev/ttyUSB0"
    QString driver; // "ftdi_sio"; empty when unknown
    bool usb = false;
    QString vendorId;  // "0403"
    QString productId; // "6001"
    QString manufacturer;
    QString product;
    QString serial;
    QString latencyTimerMs; // "16"; empty where the driver has none
};

// The adapter behind `devicePath` ("/dev/ttyUSB0") as sysfs under `sysfsRoot` describes it.
AdapterIdentity identifyAdapter(const QByteArray& devicePath, const QString& sysfsRoot = QStringLiteral("/sys"));

// German lines for the result: "Treiber: ftdi_sio", "USB: 0403:6001 FTDI FT232R USB UART", ...
QStringList identityLines(const AdapterIdentity& identity);
