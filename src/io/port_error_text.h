#pragma once

// The official's words for a port the program could not open or set up.

#include <QString>

// The port component reports its failures in its own fixed English words ("Unable to open com
// port: Device or resource busy"); a message box for the official says them in German, with
// the likely cause. A message already in German (no rights: the dialout group) is kept.
QString officialPortErrorText(const QString& componentMessage);
