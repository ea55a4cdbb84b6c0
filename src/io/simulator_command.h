// The commands the simulated barrier box understands on its socket, one line each.

#pragma once

#include <QByteArray>

class SimulatedBarrierBox;

// Carries out one command line of the simulator socket on the box and gives the answer line
// (without line end): "L1 close" / "L1 open" / "L1 pulse 30" -> "OK", "status" -> the box's
// status text, "plug on delay 0.2 jitter 0.1 lose 50" / "plug off" -> "OK" (the loopback plug
// of the adapter test, see LoopbackPlug), anything else -> "ERR " and the reason. Runs on the box's thread.
QByteArray runSimulatorCommand(SimulatedBarrierBox& box, const QByteArray& line);
