// Which serial ports this computer has, found without opening any of them.

#pragma once

#include <QString>

// Which ports exist, as a mask with bit n-1 set for "COM" n. Reads sysfs under `sysfsRoot`
// and never opens a device: opening would pulse DTR and RTS on whatever is wired there.
// The simulated barrier box (COM64) is always present.
quint64 scanComPorts(const QString& sysfsRoot = QStringLiteral("/sys"));
