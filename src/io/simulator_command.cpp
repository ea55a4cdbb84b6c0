// Parses a simulator command line ("L1 close", "L2 pulse 30", "plug on delay 0.2", "status")
// within its bounds and carries it out on the box.

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

constexpr double longestPlugDelayMs = 1000;
constexpr int mostPlugChanges = 1000000;

// "plug off" or "plug on [delay MS] [jitter MS] [lose N]"; MS may have a decimal point.
QByteArray runPlugCommand(SimulatedBarrierBox& box, const QList<QByteArray>& words) {
    const QByteArray state = words.value(1).toLower();
    if (words.size() == 2 && state == "off") {
        box.setLoopbackPlug({});
        return "OK";
    }
    if (state != "on" || words.size() % 2 != 0) {
        return "ERR expected plug off or plug on [delay MS] [jitter MS] [lose N]";
    }
    LoopbackPlug plug;
    plug.plugged = true;
    for (qsizetype i = 2; i + 1 < words.size(); i += 2) {
        const QByteArray key = words[i].toLower();
        bool ok = false;
        if (key == "delay" || key == "jitter") {
            const double ms = words[i + 1].toDouble(&ok);
            if (!ok || !(ms >= 0 && ms <= longestPlugDelayMs)) {
                return "ERR delay and jitter need 0 to 1000 ms";
            }
            (key == "delay" ? plug.delayUs : plug.jitterUs) = int(ms * 1000 + 0.5);
        } else if (key == "lose") {
            plug.loseAfter = words[i + 1].toInt(&ok);
            if (!ok || plug.loseAfter < 0 || plug.loseAfter > mostPlugChanges) {
                return "ERR lose needs a count of 0 to 1000000 changes";
            }
        } else {
            return "ERR unknown plug setting, expected delay, jitter or lose";
        }
    }
    box.setLoopbackPlug(plug);
    return "OK";
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
    if (verb == "plug") {
        return runPlugCommand(box, words);
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
