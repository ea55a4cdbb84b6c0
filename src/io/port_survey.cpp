// Finds the serial ports in sysfs, leaving out the ttyS entries with no UART behind them.

#include "io/port_survey.h"

#include "io/port_names.h"

#include <QFile>
#include <QFileInfo>

namespace {

bool deviceExists(const QString& sysfsRoot, const QString& name) {
    const QString dir = sysfsRoot + QStringLiteral("/class/tty/") + name;
    if (!QFileInfo::exists(dir + QStringLiteral("/device"))) {
        return false;
    }
    if (!name.startsWith(QLatin1String("ttyS"))) {
        return true;
    }
    // The 8250 driver registers ttyS ports without a UART behind them; those have type 0.
    QFile type(dir + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool ok = false;
    const int uartType = type.readAll().trimmed().toInt(&ok);
    return ok && uartType != 0;
}

} // namespace

quint64 scanComPorts(const QString& sysfsRoot) {
    quint64 mask = quint64(1) << (simulatorPort - 1);
    for (int port = 1; port < simulatorPort; ++port) {
        const QString name = comDeviceName(port);
        if (!name.isEmpty() && deviceExists(sysfsRoot, name)) {
            mask |= quint64(1) << (port - 1);
        }
    }
    return mask;
}
