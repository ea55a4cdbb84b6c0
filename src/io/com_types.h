// Line settings and event choices of a TComPort, with the system codes they stand for.
// Plain values; usable from any thread.

#pragma once

#include "timing/counter_reader.h"

#include <QFlags>
#include <QtGlobal>

#include <functional>

class TComPort;

enum TBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brUser
};

enum TParity { prNone, prOdd, prEven, prMark, prSpace };

enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

enum TFlowControl { fcNone, fcRtsCts, fcXonXoff };

// Members of the event set, in declaration order.
enum TEvent : quint16 {
    evRxChar = 0x0001,
    evTxEmpty = 0x0002,
    evRxFlag = 0x0004,
    evRing = 0x0008,
    evBreak = 0x0010,
    evCTS = 0x0020,
    evDSR = 0x0040,
    evError = 0x0080,
    evRLSD = 0x0100,
};
Q_DECLARE_FLAGS(TEvents, TEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(TEvents)

constexpr TEvents allComEvents() {
    return TEvents(evRxChar) | evTxEmpty | evRxFlag | evRing | evBreak | evCTS | evDSR | evError | evRLSD;
}

// Event bits of the system's event mask (what a wake-up reports).
enum : quint32 {
    EV_RXCHAR = 0x0001,
    EV_RXFLAG = 0x0002,
    EV_TXEMPTY = 0x0004,
    EV_CTS = 0x0008,
    EV_DSR = 0x0010,
    EV_RLSD = 0x0020,
    EV_BREAK = 0x0040,
    EV_ERR = 0x0080,
    EV_RING = 0x0100,
};

// Bits of the modem-status word.
enum : quint32 {
    MS_CTS_ON = 0x0010,
    MS_DSR_ON = 0x0020,
    MS_RING_ON = 0x0040,
    MS_RLSD_ON = 0x0080,
};

// The line changes an owner must see, as modem-status bits (MS_*): lines whose going active
// matters, and lines whose going idle does. Where a driver cannot count such a change, the
// watcher reads the line's level at every look instead.
struct NeededChanges {
    static constexpr quint32 allLines = MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON;
    quint32 becomingActive = allLines;
    quint32 becomingIdle = allLines;
};

using TNotifyEvent = std::function<void(TComPort* Sender)>;
using TRxCharEvent = std::function<void(TComPort* Sender, qint32 InQue)>;

// Bit/s for a speed choice; brUser gives userRate.
qint32 baudRateValue(TBaudRate rate, qint32 userRate);

// The system event mask selected by an event set.
quint32 systemEventMask(TEvents events);
