#include "io/simulator_command.h"

#include "io/simulated_barrier_box.h"

#include <QList>

namespace {

constexpr int longestPulseMs = 60000;

int barrierOf(const QByteArray& word) {
    if (word.size() != 2 || (word[0] != 'L' && word[0] != 'l') || word[1] < '1' || word[1] > '4') {
        return 0;
    }
    return word[1] - '0';
}

} // namespace

QByteArray runSimulatorCommand(SimulatedBarrierBox& box, const QByteArray& line) {
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray verb = words.value(0).toLower();
    if (words.size() == 1 && verb == "status") {
        return box.statusText().toLatin1();
    }
    if (verb.isEmpty()) {
        return "ERR empty command";
    }
    const int barrier = barrierOf(words[0]);
    if (barrier == 0) {
        return "ERR unknown command, expected L1..L4 close|open|pulse MS or status";
    }
    const QByteArray action = words.value(1).toLower();
    if (words.size() == 2 && (action == "close" || action == "open")) {
        box.cancelPulse(barrier);
        box.setContact(barrier, action == "close");
        return "OK";
    }
    if (action == "pulse") {
        bool ok = false;
        const int ms = words.value(2).toInt(&ok);
        if (words.size() != 3 || !ok || ms < 1 || ms > longestPulseMs) {
            return "ERR pulse needs a duration of 1 to 60000 ms";
        }
        box.pulse(barrier, ms);
        return "OK";
    }
    return "ERR unknown action, expected close, open or pulse MS";
}
