// The port settings as the system takes them: baud rates in bits per second, the events as
// the watcher's event mask.

#include "io/com_types.h"

qint32 baudRateValue(TBaudRate rate, qint32 userRate) {
    switch (rate) {
    case br110:
        return 110;
    case br300:
        return 300;
    case br600:
        return 600;
    case br1200:
        return 1200;
    case br2400:
        return 2400;
    case br4800:
        return 4800;
    case br9600:
        return 9600;
    case br14400:
        return 14400;
    case br19200:
        return 19200;
    case br38400:
        return 38400;
    case br56000:
        return 56000;
    case br57600:
        return 57600;
    case br115200:
        return 115200;
    case br128000:
        return 128000;
    case br256000:
        return 256000;
    case brUser:
        break;
    }
    return userRate;
}

quint32 systemEventMask(TEvents events) {
    static constexpr struct {
        TEvent event;
        quint32 bit;
    } table[] = {
        {evRxChar, EV_RXCHAR}, {evTxEmpty, EV_TXEMPTY}, {evRxFlag, EV_RXFLAG}, {evRing, EV_RING}, {evBreak, EV_BREAK},
        {evCTS, EV_CTS},       {evDSR, EV_DSR},         {evError, EV_ERR},     {evRLSD, EV_RLSD},
    };
    quint32 mask = 0;
    for (const auto& entry : table) {
        if (events.testFlag(entry.event)) {
            mask |= entry.bit;
        }
    }
    return mask;
}
