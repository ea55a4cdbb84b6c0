// The main window's side of the live results on the local network: it turns the run's
// and the protocol's state into immutable snapshots for the server thread, after the
// changes the window already hears of, and reports a port that cannot be had.

#include "app/form_main.h"

#include "app/status_panels.h"
#include "controls/sort_grid.h"
#include "controls/sort_grid_data.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"
#include "timing/high_res_timer.h"
#include "timing/run_time.h"
#include "web/lan_addresses.h"
#include "web/live_server.h"
#include "web/live_snapshot.h"

#include <QLabel>
#include <QMessageBox>

namespace {

// The row of a finished run: its number with its time (a number may have several runs).
int resultRow(const SortGridData& grid, const QString& nr, const QString& zeit) {
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.cell(colNr, row) == nr && grid.cell(colZeit, row) == zeit)
            return row;
    }
    return -1;
}

} // namespace

void TFormMain::setupLiveWeb() {
    m_liveServer = new LiveServer({}, this);
    connect(m_liveServer, &LiveServer::failed, this, &TFormMain::liveWebFailed);
    connect(m_liveServer, &LiveServer::started, this, &TFormMain::scheduleLiveSnapshot);

    m_liveSnapshotTimer.setSingleShot(true);
    m_liveSnapshotTimer.setInterval(0);
    connect(&m_liveSnapshotTimer, &QTimer::timeout, this, &TFormMain::publishLiveSnapshot);

    connect(m_controller, &RunController::stateChanged, this, &TFormMain::scheduleLiveSnapshot);
    connect(m_controller, &RunController::protocolChanged, this, &TFormMain::scheduleLiveSnapshot);
    const SortGridData* grid = &m_ui.SortGrid1->gridData();
    connect(grid, &SortGridData::gridReset, this, &TFormMain::scheduleLiveSnapshot);
    connect(grid, &SortGridData::cellChanged, this, &TFormMain::scheduleLiveSnapshot);
    applyWebSettings();
}

void TFormMain::applyWebSettings() {
    if (!m_settings.WebOn) {
        m_liveServer->stop();
        return;
    }
    // The title may have changed; and the newest state is there before the first page asks.
    publishLiveSnapshot();
    const int wanted = m_settings.WebPort;
    const quint16 port = quint16(wanted >= 0 && wanted <= 65535 ? wanted : kWebPortPreset);
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
    const RunController& c = *m_controller;
    const SortGridData& grid = m_ui.SortGrid1->gridData();
    auto s = std::make_shared<LiveSnapshot>();
    s->title = m_settings.Title;
    s->startNr = QString::number(c.editStartN1());
    s->nextNr = QString::number(c.editStartN2());

    const double countSpeed = m_highResTimer->CountSpeed();
    if (c.isClockRunning()) {
        s->running = true;
        s->startedAt = steadyNowMs() - ticksToMs(m_highResTimer->ReadCounter() - c.startStamp(), countSpeed);
    } else if (c.state() == RunState::Finished) {
        s->finalMs = ticksToMs(c.finishStamp() - c.startStamp(), countSpeed);
        m_liveLastNr = c.startNumberText();
        m_liveLastZeit = formatRunTime(s->finalMs);
    }

    if (!m_liveLastNr.isEmpty()) {
        s->hasLast = true;
        LiveResult& r = s->last;
        r.nr = m_liveLastNr;
        r.zeit = m_liveLastZeit;
        // Name, rank and the other results as the protocol holds them now.
        const int row = resultRow(grid, m_liveLastNr, m_liveLastZeit);
        if (row > 0) {
            r.name = grid.cell(colName, row);
            r.gruppe = grid.cell(colGruppe, row);
            r.zwZeit = grid.cell(colZwZeit, row);
            r.vmax = grid.cell(colVmax, row);
            r.schnitt = grid.cell(colSchnitt, row);
            r.platz = grid.cell(colPlatz, row);
        }
    }

    s->columns = protocolHeaderTexts();
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (!grid.cell(colNr, row).isEmpty())
            s->rows.append(grid.rowCells(row));
    }
    m_liveServer->publish(std::move(s));
}

void TFormMain::liveWebFailed(const QString& message) {
    m_ui.StatusBar1->panel(2)->setToolTip(message);
    m_ui.StatusBar1->setPanelText(2, message);
    // Not modal in the way of the run: the official reads it and goes on.
    auto* box = new QMessageBox(QMessageBox::Warning, m_names.baseName, message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
