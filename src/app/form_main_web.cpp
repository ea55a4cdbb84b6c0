// The main window's side of the live results on the local network: it turns the run's
// and the protocol's state into immutable snapshots for the server thread, after the
// changes the window already hears of, and reports a port that cannot be had.

#include "app/form_main.h"

#include "app/status_line.h"
#include "app/status_panels.h"
#include "controls/sort_grid.h"
#include "run/live_snapshot_of_run.h"
#include "run/run_controller.h"
#include "standings/standings_table.h"
#include "timing/high_res_timer.h"
#include "web/lan_addresses.h"
#include "web/live_server.h"
#include "web/live_snapshot.h"

#include <QLabel>
#include <QMessageBox>

void TFormMain::setupLiveWeb() {
    m_liveServer = new LiveServer({}, this);
    connect(m_liveServer, &LiveServer::failed, this, &TFormMain::liveWebFailed);
    connect(m_liveServer, &LiveServer::started, this, &TFormMain::scheduleLiveSnapshot);
    // A port that works again ends the message about the one that did not.
    connect(m_liveServer, &LiveServer::started, this,
            [this] { m_statusLine->setStanding(StatusLine::Source::Web, QString()); });

    m_liveSnapshotTimer.setSingleShot(true);
    m_liveSnapshotTimer.setInterval(0);
    connect(&m_liveSnapshotTimer, &QTimer::timeout, this, &TFormMain::publishLiveSnapshot);

    connect(m_controller, &RunController::stateChanged, this, &TFormMain::scheduleLiveSnapshot);
    connect(m_controller, &RunController::protocolChanged, this, &TFormMain::scheduleLiveSnapshot);
    const SortGridData* grid = &m_ui.SortGrid1->gridData();
    connect(grid, &SortGridData::gridReset, this, &TFormMain::scheduleLiveSnapshot);
    connect(grid, &SortGridData::cellChanged, this, &TFormMain::scheduleLiveSnapshot);
}

void TFormMain::applyWebSettings() {
    if (!m_settings.WebOn) {
        m_liveServer->stop();
        return;
    }
    // The title may have changed; and the newest state is there before the first page asks.
    publishLiveSnapshot();
    const int wanted = m_settings.WebPort;
    const quint16 port = quint16(wanted >= 0 && wanted <= 65535 ? wanted : webPortPreset);
    const QHostAddress address = listenAddress(webInterfaces(), m_settings.WebInterface);
    if (address.isNull()) {
        m_liveServer->stop();
        liveWebFailed(QStringLiteral("Die Live-Ergebnisse sind aus: das Netzwerk %1 ist nicht verbunden. "
                                     "Bitte in den Einstellungen ein anderes Netzwerk wählen.")
                          .arg(m_settings.WebInterface));
        return;
    }
    if (m_liveServer->isListening() && port != 0 && m_liveServer->port() == port && m_liveServer->address() == address)
        return;
    m_liveServer->start(port, address);
}

void TFormMain::scheduleLiveSnapshot() {
    // Nothing to build while no page can see it.
    if (m_settings.WebOn && !m_liveSnapshotTimer.isActive())
        m_liveSnapshotTimer.start();
}

void TFormMain::publishLiveSnapshot() {
    const SortGridData& grid = m_ui.SortGrid1->gridData();
    LiveSnapshot snapshot = liveSnapshotOf(*m_controller, grid, m_highResTimer->ReadCounter(), steadyNowMs());
    // The live page's standings count as the window's do.
    snapshot.standingsRule = standingsRuleOf(grid, m_settings.Wertung);
    m_liveServer->publish(std::make_shared<LiveSnapshot>(std::move(snapshot)));
}

void TFormMain::liveWebFailed(const QString& message) {
    m_statusLine->setStanding(StatusLine::Source::Web, message, message);
    // Not modal in the way of the run: the official reads it and goes on.
    auto* box = new QMessageBox(QMessageBox::Warning, m_names.baseName, message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
