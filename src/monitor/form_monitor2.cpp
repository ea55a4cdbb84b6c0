// Builds the spectator window's panels, places it on the chosen monitor, lays it out from the
// main panel's geometry and renders the shared display state.

#include "monitor/form_monitor2.h"

#include "controls/bgr_color.h"
#include "controls/digit.h"
#include "display/display_state.h"
#include "settings/settings.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace {

constexpr quint32 titleColour = 0x404040;

QWidget* makePanel(QWidget* parent, const char* name, quint32 colour) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    setBgrColour(panel, QPalette::Window, colour);
    panel->setAutoFillBackground(true);
    return panel;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, Qt::Alignment alignment, quint32 colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(alignment);
    setBgrColour(label, QPalette::WindowText, colour);
    return label;
}

QLabel* makeTitle(QWidget* parent) {
    QLabel* title = makeLabel(parent, "PanelTitle", QStringLiteral("* * *"), Qt::AlignCenter, 0xFFFFFF);
    setBgrColour(title, QPalette::Window, titleColour);
    title->setAutoFillBackground(true);
    return title;
}

QFont separatorFont(int points) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setBold(true);
    font.setPixelSize(std::max(1, fontPixels(points)));
    return font;
}

QLabel* makeSeparator(QWidget* parent, const char* name, const QString& text, quint32 colour) {
    QLabel* label = makeLabel(parent, name, text, Qt::AlignLeft | Qt::AlignTop, colour);
    label->setFont(separatorFont(48));
    label->setGeometry(0, 0, 25, 81);
    return label;
}

TDigit* makeDigit(QWidget* parent, const char* name, quint32 colour) {
    TDigit* digit = makeDisplayDigit(parent, colour);
    digit->setObjectName(QLatin1String(name));
    return digit;
}

void setText(QLabel* label, const QString& text) {
    if (label->text() != text)
        label->setText(text);
}

} // namespace

TFormMonitor2::TFormMonitor2(MonitorHost host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Panel1(makePanel(this, "Panel1", 0)), PanelTimer(makePanel(Panel1, "PanelTimer", 0)),
      PanelTitle(makeTitle(PanelTimer)), PanelLab1(makePanel(PanelTimer, "PanelLab1", 0)),
      LabStart1(makeLabel(PanelLab1, "LabStart1", QStringLiteral(" Start-Nr. "), Qt::AlignLeft | Qt::AlignVCenter,
                          DisplayState::startColour)),
      LabNext1(makeLabel(PanelLab1, "LabNext1", QStringLiteral("Bereit: 2 "), Qt::AlignRight | Qt::AlignVCenter,
                         DisplayState::nextColour)),
      PanelLab2(makePanel(PanelTimer, "PanelLab2", 0)),
      LabelTime2(makeLabel(PanelLab2, "LabelTime2", QStringLiteral(" Zwischenzeit:"), Qt::AlignLeft | Qt::AlignVCenter,
                           DisplayState::resultColour)),
      m_host(std::move(host)) {
    // The upper row, the caption panel, the lower row: raising keeps that child order.
    Digit10M = makeDigit(PanelTimer, "Digit10M", DisplayState::dimColour);
    Digit4 = makeDigit(PanelTimer, "Digit4", DisplayState::dimColour);
    LabMin = makeSeparator(PanelTimer, "LabMin", QStringLiteral("."), DisplayState::dimColour);
    Digit5 = makeDigit(PanelTimer, "Digit5", DisplayState::dimColour);
    Digit6 = makeDigit(PanelTimer, "Digit6", DisplayState::runColour);
    LabSec = makeSeparator(PanelTimer, "LabSec", QStringLiteral(","), DisplayState::runColour);
    Digit7 = makeDigit(PanelTimer, "Digit7", DisplayState::runColour);
    Digit8 = makeDigit(PanelTimer, "Digit8", DisplayState::dimColour);
    Digit9 = makeDigit(PanelTimer, "Digit9", DisplayState::dimColour);
    PanelLab2->raise();
    Digit1 = makeDigit(PanelTimer, "Digit1", DisplayState::dimColour);
    Digit2 = makeDigit(PanelTimer, "Digit2", DisplayState::dimColour);
    Digit3 = makeDigit(PanelTimer, "Digit3", DisplayState::resultColour);
    LabSec2 = makeSeparator(PanelTimer, "LabSec2", QStringLiteral(","), DisplayState::resultColour);
    Digit0 = makeDigit(PanelTimer, "Digit0", DisplayState::resultColour);
    Digit10 = makeDigit(PanelTimer, "Digit10", DisplayState::resultColour);
    Digit20 = makeDigit(PanelTimer, "Digit20", DisplayState::resultColour);

    setObjectName(QStringLiteral("FormMonitor2"));
    setWindowTitle(QStringLiteral("Monitor 2"));
    QFont arial(QStringLiteral("Arial"));
    arial.setBold(true);
    arial.setPixelSize(19);
    setFont(arial);
    setBgrColour(this, QPalette::WindowText, 0xFFFFFF);
    setBgrColour(PanelLab2, QPalette::WindowText, DisplayState::resultColour);
    // The spectators see no mouse pointer.
    setCursor(Qt::BlankCursor);
    Digit1->hide();
    Digit2->hide();
    FormCreate();
}

void TFormMonitor2::FormCreate() {
    if (m_host.settings)
        PanelTitle->setText(m_host.settings->Title);
    PlaceOnMonitor();
    LabelTime2->clear();
    if (m_host.display) {
        connect(m_host.display, &DisplayState::changed, this, &TFormMonitor2::renderDisplay);
        renderDisplay();
    }
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &TFormMonitor2::screenRemoved);
}

int TFormMonitor2::monitorIndex(const QList<QRect>& screens) const {
    const int wanted = m_host.settings ? m_host.settings->Monitor : 0;
    return wanted >= 0 && wanted < screens.size() ? wanted : 0;
}

void TFormMonitor2::PlaceOnMonitor() {
    const QList<QRect> screens = m_host.screens ? m_host.screens() : QList<QRect>{};
    if (!screens.isEmpty()) {
        const int index = monitorIndex(screens);
        const QRect bounds = screens[index];
        // On another monitor than the official's the keyboard stays with the main window.
        setAttribute(Qt::WA_ShowWithoutActivating, index != 0);
        if (QScreen* target = QGuiApplication::screenAt(bounds.center()); target && target != screen())
            setScreen(target);
        setGeometry(bounds);
    }
    LayoutDisplay();
}

QRect TFormMonitor2::ScaleRect(const QRect& rect) const {
    return scaledRect(rect, m_scaleX, m_scaleY);
}

void TFormMonitor2::LayoutDisplay() {
    const MonitorLayout layout = layoutMonitor(m_host.source ? m_host.source() : MonitorLayoutSource{}, size());
    m_scaleX = layout.scale;
    m_scaleY = layout.scale;

    Panel1->setGeometry(rect());
    PanelTimer->setGeometry(Panel1->rect());

    // The title and both caption lines share one font; the labels in the lines take it.
    QFont caption = font();
    caption.setPixelSize(std::max(1, fontPixels(layout.captionFontSize)));
    for (QWidget* panel : std::initializer_list<QWidget*>{PanelTitle, PanelLab1, PanelLab2})
        panel->setFont(caption);
    PanelTitle->setGeometry(layout.PanelTitle);
    PanelLab1->setGeometry(layout.PanelLab1);
    PanelLab2->setGeometry(layout.PanelLab2);
    LabStart1->setGeometry(PanelLab1->rect());
    LabNext1->setGeometry(PanelLab1->rect());
    LabelTime2->setGeometry(PanelLab2->rect());

    const DisplayDigits controls = displayDigits();
    for (int i = 0; i < digitCount; ++i) {
        TDigit* digit = controls.digits[std::size_t(i)];
        digit->setGeometry(layout.digits[std::size_t(i)]);
        digit->setThickness(layout.thickness[std::size_t(i)]);
    }
    const std::array<QLabel*, separatorCount> separators{LabMin, LabSec, LabSec2};
    for (int i = 0; i < separatorCount; ++i) {
        separators[std::size_t(i)]->setFont(separatorFont(layout.separatorFontSize[std::size_t(i)]));
        separators[std::size_t(i)]->setGeometry(layout.separators[std::size_t(i)]);
    }
}

void TFormMonitor2::FormShow() {
    PlaceOnMonitor();
    emit shown();
}

void TFormMonitor2::renderDisplay() {
    const DisplayState& state = *m_host.display;
    renderDisplayState(state, displayDigits());
    setText(LabelTime2, state.LabelTime2());
    // The spectators read the name where they read the number.
    const QString name = state.StartName();
    setText(LabStart1, name.isEmpty() ? state.LabStart1() : state.LabStart1() + QStringLiteral("  ") + name);
    setText(LabNext1, state.LabNext1());
}

void TFormMonitor2::screenRemoved(QScreen* removed) {
    // Qt would move the window onto the primary monitor, over the official's main window.
    if (isVisible() && removed == screen())
        close();
}

void TFormMonitor2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormMonitor2::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit closed();
}

void TFormMonitor2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutDisplay();
}

void TFormMonitor2::keyPressEvent(QKeyEvent* event) {
    // Escape only where the window covers the official's own monitor.
    const QList<QRect> screens = m_host.screens ? m_host.screens() : QList<QRect>{};
    if (event->key() == Qt::Key_Escape && monitorIndex(screens) == 0) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
