// The serial port whose modem-status lines carry the light barriers, with each change
// reported on the GUI thread with the stamp taken when it happened.

#pragma once

#include "io/com_errors.h"
#include "io/com_types.h"
#include "io/line_reports.h"
#include "io/serial_line.h"

#include <QObject>

#include <exception>
#include <memory>

class SerialBackends;
class TComThread;

// A serial port whose modem-status lines carry the light barriers. Opens and configures the
// device, runs a TComThread that waits for line changes, and fires the handlers on the thread
// that owns the port (the GUI thread), one report at a time. Every report carries the counter
// stamp and the modem-status word taken when the watcher woke; handlers read them with
// EventStamp() and GetModemStatus(). The watcher queues its reports and never waits for the
// handlers, so a busy owning thread delays them but not their stamps. Everything but the
// watcher belongs to the owning thread.
//
// Open and Close refuse to run inside one of this port's own handlers (the queue of reports
// that handler belongs to is being worked through): Open then throws EComHandle with the text for EDEADLK, Close does
// nothing. Defer them to after the handler, e.g. with a single-shot timer.
class TComPort : public QObject {
    Q_OBJECT
public:
    // `backends` chooses the device for a port number and must outlive the port;
    // `readCounter` gives the stamps (none: every stamp is 0).
    explicit TComPort(SerialBackends* backends, EventCounterReader readCounter = {}, QObject* parent = nullptr);
    ~TComPort() override; // closes without firing OnClose: the owner may be half destroyed

    TBaudRate BaudRate() const { return m_baudRate; }
    void setBaudRate(TBaudRate value) { m_baudRate = value; }
    qint32 BaudRateUser() const { return m_baudRateUser; }
    void setBaudRateUser(qint32 value) { m_baudRateUser = value; }
    quint8 Port() const { return m_port; }
    void setPort(quint8 value) { m_port = value; }
    TParity Parity() const { return m_parity; }
    void setParity(TParity value) { m_parity = value; }
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits value) { m_stopBits = value; }
    TFlowControl FlowControl() const { return m_flowControl; }
    void setFlowControl(TFlowControl value) { m_flowControl = value; }
    quint8 DataBits() const { return m_dataBits; }
    void setDataBits(int value); // clamped to 5..8
    TEvents Events() const { return m_events; }
    void setEvents(TEvents value) { m_events = value; }
    bool EnableDTR() const { return m_enableDtr; }
    void setEnableDTR(bool value) { m_enableDtr = value; }
    qint32 WriteBufSize() const { return m_writeBufSize; }
    void setWriteBufSize(qint32 value) { m_writeBufSize = value; }
    qint32 ReadBufSize() const { return m_readBufSize; }
    void setReadBufSize(qint32 value) { m_readBufSize = value; }
    // Which line changes the owner must see; every one unless told otherwise. Where the driver
    // cannot count a needed change, the watcher reads that line every look while open, so
    // leaving out what cannot matter keeps a quiet line free of cost. Taken at the next Open.
    NeededChanges neededChanges() const { return m_neededChanges; }
    void setNeededChanges(NeededChanges value) { m_neededChanges = value; }

    // Handlers; an empty one is skipped. A handler that throws ends the watcher; the port
    // stays open without it until Close.
    TRxCharEvent OnRxChar;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TNotifyEvent OnRLSD;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnError;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    // The device went away (adapter pulled): the watcher has ended, the port stays open until
    // Close. Fired once, after the reports queued before it, from the event loop.
    TNotifyEvent OnLost;

    // Close, open the device, apply the settings, start the watcher, fire OnOpen.
    // Throws EComHandle or EComState, leaving the port closed.
    void Open();
    // Stop the watcher, close the device, fire OnClose; nothing when not open.
    void Close();
    bool Connected() const { return m_connected; }
    // The watcher runs: false after the device was lost or a handler threw.
    bool Watching() const;

    // Levels of CTS 0x10, DSR 0x20, RING 0x40, RLSD 0x80: during a dispatch the word taken at
    // the wake-up, otherwise read now; 0 while closed.
    quint32 GetModemStatus();
    // Raises and lowers the outputs (TIOCM_RTS, TIOCM_DTR) of the open port until the next Open;
    // 0 or the errno of the failure (EBADF while closed). Unlike the rest, callable from any
    // thread, as long as the owner does not close the port meanwhile: a loopback test sets the
    // lines from a thread of its own, so that a slow USB control transfer never blocks the GUI.
    int changeOutputs(int raiseTiocm, int lowerTiocm);
    // Bytes waiting in the input queue; 0 while closed.
    qint32 InQueCount();
    // Counter stamp of the report being dispatched, 0 outside a dispatch.
    qint64 EventStamp() const { return m_dispatching ? m_report.stamp : 0; }
    // Modem-status word of the report being dispatched, 0 outside a dispatch.
    quint32 EventModemStatus() const { return m_dispatching ? m_report.modemStatus : 0; }
    bool Dispatching() const { return m_dispatching > 0; }

    // What Open puts into the line with the present properties.
    LineSettings lineSettings() const;

protected:
    // Fires the handlers of `eventMask` in their fixed order.
    void DispatchEvents(quint32 eventMask);

private:
    friend class TComThread;
    std::exception_ptr dispatchReport(const ComReport& report);
    void dispatchQueued(quint64 session);
    void watcherLost(quint64 session);
    void closePort(bool notify);

    SerialBackends* const m_backends;
    const EventCounterReader m_readCounter;

    TBaudRate m_baudRate = br9600;
    qint32 m_baudRateUser = 9600;
    quint8 m_port = 1;
    TParity m_parity = prNone;
    TStopBits m_stopBits = sbOneStopBit;
    TFlowControl m_flowControl = fcNone;
    quint8 m_dataBits = 8;
    TEvents m_events = allComEvents();
    bool m_enableDtr = true;
    qint32 m_writeBufSize = 2048;
    qint32 m_readBufSize = 2048;
    NeededChanges m_neededChanges;

    std::unique_ptr<SerialLine> m_line;
    std::unique_ptr<TComThread> m_thread;
    bool m_connected = false;
    quint64 m_session = 0;
    int m_dispatching = 0;
    ComReport m_report;
};
