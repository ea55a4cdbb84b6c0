// Reads the adapter's description from sysfs; see adapter_identity.h.

#include "adapter/adapter_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A sysfs attribute as one trimmed line; empty when missing or unreadable. Attributes are
// small; the cap keeps a strange file from being read whole.
QString attribute(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.read(256)).trimmed();
}

} // namespace

AdapterIdentity identifyAdapter(const QByteArray& devicePath, const QString& sysfsRoot) {
    AdapterIdentity identity;
    identity.device = QString::fromLocal8Bit(devicePath);
    const QString name = QFileInfo(identity.device).fileName();
    if (name.isEmpty()) {
        return identity;
    }
    const QString device = sysfsRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device");
    const QString driverTarget = QFileInfo(device + QStringLiteral("/driver")).symLinkTarget();
    if (!driverTarget.isEmpty()) {
        identity.driver = QFileInfo(driverTarget).fileName();
    }
    identity.latencyTimerMs = attribute(device + QStringLiteral("/latency_timer"));

    // The USB device is the nearest folder above the port's device that has an idVendor.
    QString folder = QFileInfo(device).canonicalFilePath();
    const QString root = QFileInfo(sysfsRoot).canonicalFilePath();
    while (!folder.isEmpty() && folder.startsWith(root) && folder.size() > root.size()) {
        if (QFileInfo::exists(folder + QStringLiteral("/idVendor"))) {
            identity.usb = true;
            identity.vendorId = attribute(folder + QStringLiteral("/idVendor"));
            identity.productId = attribute(folder + QStringLiteral("/idProduct"));
            identity.manufacturer = attribute(folder + QStringLiteral("/manufacturer"));
            identity.product = attribute(folder + QStringLiteral("/product"));
            identity.serial = attribute(folder + QStringLiteral("/serial"));
            break;
        }
        folder = QFileInfo(folder).path();
    }
    return identity;
}

QStringList identityLines(const AdapterIdentity& identity) {
    const QString unknown = QStringLiteral("unbekannt");
    QStringList lines;
    lines.append(QStringLiteral("Gerät: ") + (identity.device.isEmpty() ? unknown : identity.device));
    lines.append(QStringLiteral("Treiber: ") + (identity.driver.isEmpty() ? unknown : identity.driver));
    if (identity.usb) {
        QString usb = QStringLiteral("USB: %1:%2").arg(identity.vendorId, identity.productId);
        for (const QString& part : {identity.manufacturer, identity.product}) {
            if (!part.isEmpty()) {
                usb += QLatin1Char(' ') + part;
            }
        }
        lines.append(usb);
        lines.append(QStringLiteral("Seriennummer: ") + (identity.serial.isEmpty() ? unknown : identity.serial));
    }
    if (!identity.latencyTimerMs.isEmpty()) {
        lines.append(QStringLiteral("Latenz-Timer: %1 ms").arg(identity.latencyTimerMs));
    }
    return lines;
}
