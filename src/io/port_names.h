// "COM" n and the Linux device behind it: 1-16 ttyS0-15, 17-32 ttyUSB0-15, 33-48 ttyACM0-15,
// 49-56 ttyAMA0-7, 64 the simulated barrier box. Plain functions, any thread.

#pragma once

#include <QByteArray>
#include <QString>

constexpr int simulatorPort = 64;

// "ttyUSB0"; empty for the simulator and for numbers without a device.
QString comDeviceName(int port);

// "/dev/ttyUSB0"; empty for the simulator and for numbers without a device.
QByteArray comDevicePath(int port);

// "COM17 (ttyUSB0)", "COM64 (Simulator)", "COM60".
QString comPortListText(int port);

// The port number of a port list item: its fourth character, followed by the fifth when that
// is a digit ("COM7 (ttyS6)" 7, "COM17 (ttyUSB0)" 17); 0 when the fourth is no digit.
int portNumberOfListText(const QString& text);
