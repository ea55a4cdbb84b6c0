// The table of port numbers to Linux device names, and the port list's texts.

#include "io/port_names.h"

namespace {

struct Range {
    int first;
    int last;
    const char* stem;
};

constexpr Range ranges[] = {
    {1, 16, "ttyS"},
    {17, 32, "ttyUSB"},
    {33, 48, "ttyACM"},
    {49, 56, "ttyAMA"},
};

} // namespace

QString comDeviceName(int port) {
    for (const Range& range : ranges) {
        if (port >= range.first && port <= range.last) {
            return QLatin1String(range.stem) + QString::number(port - range.first);
        }
    }
    return {};
}

QByteArray comDevicePath(int port) {
    const QString name = comDeviceName(port);
    return name.isEmpty() ? QByteArray() : QByteArray("/dev/") + name.toLatin1();
}

QString comPortListText(int port) {
    const QString com = QStringLiteral("COM") + QString::number(port);
    if (port == simulatorPort) {
        return com + QStringLiteral(" (Simulator)");
    }
    const QString name = comDeviceName(port);
    return name.isEmpty() ? com : com + QStringLiteral(" (") + name + QLatin1Char(')');
}

int portNumberOfListText(const QString& text) {
    if (text.size() < 4 || !text.at(3).isDigit())
        return 0;
    int port = text.at(3).digitValue();
    if (text.size() > 4 && text.at(4).isDigit())
        port = port * 10 + text.at(4).digitValue();
    return port;
}
