// The main window's side of the spectator window: what it reads from the digit
// panel, showing and closing it, the captions written on showing, and the settings
// that take effect at once.

#include "app/form_main.h"

#include "app/click_label.h"
#include "controls/digit.h"
#include "display/display_state.h"
#include "monitor/form_monitor2.h"
#include "run/run_controller.h"

#include <QLabel>

namespace {

// A font's size in points; a size given in pixels counts at the panel's 96 dots per inch.
int fontPoints(const QFont& font) {
    if (font.pointSize() > 0)
        return font.pointSize();
    return qRound(font.pixelSize() * 72.0 / 96.0);
}

} // namespace

MonitorHost TFormMain::monitorHost() const {
    MonitorHost host;
    host.settings = &m_settings;
    host.screens = m_environment.screens;
    host.source = [this] { return monitorLayoutSource(); };
    host.display = m_display;
    return host;
}

MonitorLayoutSource TFormMain::monitorLayoutSource() const {
    MonitorLayoutSource source;
    // The panel's width is the room between the two frame pictures.
    source.panelWidth = m_ui.Image4->x() - m_ui.Image2->width();
    const DisplayDigits controls = m_ui.PanelDisplay->displayDigits();
    for (int i = 0; i < digitCount; ++i) {
        const TDigit* digit = controls.digits[std::size_t(i)];
        source.digits[std::size_t(i)] = digit->geometry();
        source.thickness[std::size_t(i)] = digit->Thickness();
    }
    const std::array<const QLabel*, separatorCount> separators{controls.LabMin, controls.LabSec, controls.LabSec2};
    for (int i = 0; i < separatorCount; ++i) {
        source.separators[std::size_t(i)] = separators[std::size_t(i)]->geometry();
        source.separatorFontSize[std::size_t(i)] = fontPoints(separators[std::size_t(i)]->font());
    }
    source.captionFontSize = fontPoints(m_ui.PanelDisplay->LabelTime2->font());
    return source;
}

void TFormMain::wireMonitor() {
    TFormMonitor2* monitor = m_later.monitor;
    if (!monitor)
        return;
    connect(monitor, &TFormMonitor2::shown, this, &TFormMain::monitorShown);
    connect(monitor, &TFormMonitor2::closed, m_ui.ImageTVEin, &QWidget::hide);
    // The commands' keys work whichever of the two windows has the keyboard.
    monitor->addActions(actions());
}

void TFormMain::monitorShown() {
    m_ui.ImageTVEin->setVisible(m_later.monitor->isVisible());
    m_ui.ImageTVEin->raise();
    const RunController& c = *m_controller;
    m_display->setLabStart1(QStringLiteral(" Start-Nr. ") + QString::number(c.editStartN1()));
    m_display->setLabNext1(QStringLiteral("Bereit: ") + QString::number(c.editStartN2()) + QLatin1Char(' '));
}

void TFormMain::Modus1Click() {
    TFormMonitor2* monitor = m_later.monitor;
    if (!monitor)
        return;
    if (monitor->isVisible())
        monitor->close();
    else
        monitor->show();
}

void TFormMain::monitorSettingsChanged() {
    TFormMonitor2* monitor = m_later.monitor;
    if (!monitor)
        return;
    monitor->PanelTitle->setText(m_settings.Title);
    monitor->PlaceOnMonitor();
}
