// Starts and stops the live results server's thread; raises the open-files limit so that
// hundreds of phones fit.

#include "web/live_server.h"

#include "web/epoll_event_dispatcher.h"
#include "web/live_http_server.h"

#include <QMetaObject>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// 500 pages, the refused ones and the program's own files must fit under the process's limit
// of open files, which is 1024 on many desktops; the hard limit is commonly far higher.
void allowManyConnections() {
    constexpr rlim_t wanted = 8192;
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur >= wanted)
        return;
    files.rlim_cur = files.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, files.rlim_max);
    setrlimit(RLIMIT_NOFILE, &files);
}

} // namespace

LiveServerHost::~LiveServerHost() {
    delete m_server;
}

void LiveServerHost::start(quint64 generation, const QHostAddress& address, quint16 port) {
    stop();
    m_server = new LiveHttpServer(m_limits, this);
    if (m_last)
        m_server->publish(m_last);
    QString reason;
    if (m_server->listenOn(address, port, &reason)) {
        emit started(generation, m_server->port());
    } else {
        stop();
        emit failed(generation, port, reason);
    }
}

void LiveServerHost::stop() {
    // With every socket it holds; deleted later, as this may run inside one of its handlers.
    if (m_server)
        m_server->deleteLater();
    m_server = nullptr;
}

void LiveServerHost::publish(const LiveSnapshotPtr& snapshot) {
    m_last = snapshot;
    if (m_server)
        m_server->publish(snapshot);
}

LiveServer::LiveServer(const WebLimits& limits, QObject* parent) : QObject(parent), m_host(new LiveServerHost(limits)) {
    m_thread.setObjectName(QStringLiteral("live results"));
    // Hundreds of open pages must not cost every turn of the thread's loop.
    if (auto* dispatcher = new EpollEventDispatcher; dispatcher->isValid())
        m_thread.setEventDispatcher(dispatcher);
    else
        delete dispatcher;
    m_host->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_host, &QObject::deleteLater);
    // Pages wait a little rather than the run's clock and the barrier handlers: on a busy
    // machine this thread yields the processor to the others of the program.
    connect(
        &m_thread, &QThread::started, &m_thread, [] { setpriority(PRIO_PROCESS, id_t(gettid()), 10); },
        Qt::DirectConnection);
    connect(m_host, &LiveServerHost::started, this, &LiveServer::hostStarted);
    connect(m_host, &LiveServerHost::failed, this, &LiveServer::hostFailed);
}

LiveServer::~LiveServer() {
    if (!m_thread.isRunning()) {
        delete m_host;
        return;
    }
    // The host and its server go with the thread's end.
    m_thread.quit();
    m_thread.wait();
}

void LiveServer::start(quint16 port, const QHostAddress& address) {
    stop();
    allowManyConnections();
    if (!m_thread.isRunning())
        m_thread.start();
    const quint64 generation = ++m_generation;
    m_running = true;
    m_address = address;
    LiveServerHost* host = m_host;
    QMetaObject::invokeMethod(host, [host, generation, address, port] { host->start(generation, address, port); });
}

void LiveServer::stop() {
    ++m_generation;
    m_listening = false;
    m_port = 0;
    if (!m_running)
        return;
    m_running = false;
    LiveServerHost* host = m_host;
    QMetaObject::invokeMethod(host, [host] { host->stop(); });
}

void LiveServer::publish(LiveSnapshotPtr snapshot) {
    // Kept by the host also while stopped, for the next start.
    if (!m_thread.isRunning())
        m_thread.start();
    LiveServerHost* host = m_host;
    QMetaObject::invokeMethod(host, [host, snapshot] { host->publish(snapshot); });
}

void LiveServer::hostStarted(quint64 generation, quint16 port) {
    if (generation != m_generation)
        return;
    m_listening = true;
    m_port = port;
    emit started(port);
}

void LiveServer::hostFailed(quint64 generation, quint16 port, const QString& reason) {
    if (generation != m_generation)
        return;
    m_running = false;
    m_listening = false;
    emit failed(QStringLiteral("Die Live-Ergebnisse können Port %1 nicht öffnen (%2). "
                               "Bitte in den Einstellungen einen anderen Port wählen.")
                    .arg(port)
                    .arg(reason));
}
