// The settings dialog's controls, its port watch and its hand-over of the main port.

#include "dialogs/cfg_dialog.h"

#include "dialogs/adapter_test_dialog.h"

#include "dialogs/web_settings_panel.h"
#include "io/barrier_wiring.h"
#include "io/com_port.h"
#include "io/port_error_text.h"
#include "io/port_names.h"
#include "run/barrier_port.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QSvgRenderer>

namespace {

constexpr int lineRows = barrierCount; // one row per barrier, in Barrier order
constexpr int pictureWidth = 51;
constexpr int pictureHeight = 17;
constexpr int levelItemHeight = 17;
constexpr int lengthDigits = 5;

QPixmap renderPicture(const QString& stem) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(pictureWidth, pictureHeight) * ratio);
    pixmap.fill(QColor(0xEC, 0xE9, 0xD8));
    QSvgRenderer renderer(QStringLiteral(":/settings/%1.svg").arg(stem));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QLabel* label(const QString& caption, QWidget* parent) {
    return new QLabel(caption, parent);
}

QLabel* rowLabel(Barrier barrier, QWidget* parent) {
    return label(QString::fromLatin1(wiringOf(barrier).dialogLabel), parent);
}

QLineEdit* lengthField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setMaxLength(lengthDigits);
    // Pasted text obeys the same rule as typed text.
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), field));
    return field;
}

void setTextColour(QWidget* widget, const QColor& colour, QPalette::ColorRole role = QPalette::WindowText) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void setBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

// A level list whose items are drawn by the dialog, in the list's own colour.
class LevelList : public QComboBox {
public:
    LevelList(const TCfgDialog& owner, const QColor& colour, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.setPen(palette().color(QPalette::Text));
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        if (currentIndex() >= 0)
            m_owner.cbAlg1DrawItem(painter, field, currentIndex(), m_colour);
    }

private:
    const TCfgDialog& m_owner;
    const QColor m_colour;
};

class LevelItemDelegate : public QStyledItemDelegate {
public:
    LevelItemDelegate(const TCfgDialog& owner, const QColor& colour, QObject* parent)
        : QStyledItemDelegate(parent), m_owner(owner), m_colour(colour) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        m_owner.cbAlg1DrawItem(*painter, option.rect, index.row(),
                               selected ? option.palette.color(QPalette::Highlight) : m_colour);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {qMax(QStyledItemDelegate::sizeHint(option, index).width(), 30 + pictureWidth), levelItemHeight};
    }

private:
    const TCfgDialog& m_owner;
    const QColor m_colour;
};

LevelList::LevelList(const TCfgDialog& owner, const QColor& colour, QWidget* parent)
    : QComboBox(parent), m_owner(owner), m_colour(colour) {
    addItem(QStringLiteral("OFF"));
    addItem(QStringLiteral("ON"));
    setItemDelegate(new LevelItemDelegate(owner, colour, this));
    setMinimumWidth(30 + pictureWidth + 24);
}

} // namespace

TCfgDialog::TCfgDialog(quint64 portMask, CfgDialogLinks links, QWidget* parent)
    : QDialog(parent), LabMonitor(label(QStringLiteral("Anzeigetafel:"), this)), cbMonitor(new QComboBox(this)),
      lbl_Title(label(QStringLiteral("Titel:"), this)), eTitle(new QLineEdit(QStringLiteral("Tarvolt"), this)),
      lbl_Centre(label(QStringLiteral("Zwischenzeit:"), this)), seStartLen(lengthField(this)),
      lbl_Long(label({}, this)), sfeLen(lengthField(this)), Label2(label(QStringLiteral("m"), this)),
      lbl_maxSpeed(label(QStringLiteral("Max. End-Geschwindigkeit:"), this)), seFinalLen(lengthField(this)),
      Label1(label(QStringLiteral("m"), this)),
      cbManyStart(new QCheckBox(QStringLiteral("Jeder Teilnehmer kann mehrmals starten (Nr. = Platz, Pl...)"), this)),
      cbPlatz(new QCheckBox(QStringLiteral("Platz anzeigen"), this)),
      GroupBox3(new QGroupBox(QStringLiteral(" Externe PC USB- / COM-Port-Kontakte "), this)),
      lbl_COM1(label(QStringLiteral("Anschluss:"), GroupBox3)), cbPort(new QComboBox(GroupBox3)),
      LabelNow(label(QStringLiteral("Jetzt:"), GroupBox3)),
      lbl_Eregnis(label(QStringLiteral("Ereignis bei:"), GroupBox3)), Label25(rowLabel(Barrier::L1, GroupBox3)),
      Image1L(new QLabel(GroupBox3)), cbAlg1(new LevelList(*this, QColor(0xCC, 0xFF, 0xCC), GroupBox3)),
      cbLsZwZeit(new QCheckBox(GroupBox3)), Label31(rowLabel(Barrier::L2, GroupBox3)), Image2L(new QLabel(GroupBox3)),
      cbAlg2(new LevelList(*this, QColor(0xFF, 0xFF, 0xCC), GroupBox3)), cbLsVmax(new QCheckBox(GroupBox3)),
      Label27(rowLabel(Barrier::L3, GroupBox3)), Image3L(new QLabel(GroupBox3)),
      cbAlg3(new LevelList(*this, QColor(0xDF, 0xDF, 0x7C), GroupBox3)), Label28(rowLabel(Barrier::L4, GroupBox3)),
      Image4L(new QLabel(GroupBox3)), cbAlg4(new LevelList(*this, QColor(0xFF, 0xCC, 0xCC), GroupBox3)),
      lbl_Light(label(QStringLiteral("Licht  (Ampel)  [+4-7]"), GroupBox3)),
      Label3(label(QStringLiteral("+12V"), GroupBox3)),
      bAdapterTest(new QPushButton(QStringLiteral("Adapter prüfen (Prüfstecker)"), GroupBox3)),
      cbLsStart(new QCheckBox(this)), cbLsStop(new QCheckBox(this)), cbAmpel(new QCheckBox(this)),
      webPanel(new WebSettingsPanel(this)), OKBtn(new QPushButton(QStringLiteral("OK"), this)),
      SpeedButton3(new QPushButton(QStringLiteral("Abbrechen"), this)),
      adapterTestDialog(new AdapterTestDialog({links.backends, {}, 1, links.runActive, links.sysfsRoot},
                                              links.adapterResultsPath, this)),
      m_links(std::move(links)), m_portMask(portMask),
      m_comPort2(new TComPort(m_links.backends, {}, this)), m_linePictures{
                                                                renderPicture(QStringLiteral("contact_grey")),
                                                                renderPicture(QStringLiteral("contact_open")),
                                                                renderPicture(QStringLiteral("contact_closed"))} {
    setWindowTitle(QStringLiteral("Einstellungen"));
    QFont dialogFont(QStringLiteral("Arial"));
    dialogFont.setPixelSize(13);
    setFont(dialogFont);

    setBold(cbPort);
    cbPort->setMaxVisibleItems(10);
    seStartLen->setText(QStringLiteral("50"));
    sfeLen->setText(QString::number(lengthPreset));
    seFinalLen->setText(QStringLiteral("10"));
    cbManyStart->setChecked(true);
    cbLsZwZeit->setChecked(true);
    cbLsVmax->setChecked(true);
    cbAlg1->setCurrentIndex(1);
    for (QComboBox* list : {cbAlg2, cbAlg3, cbAlg4})
        list->setCurrentIndex(0);
    setTextColour(Label25, QColor(0x00, 0x80, 0x00));
    setTextColour(Label28, QColor(0xFF, 0x00, 0x00));
    setBold(Label3);
    setBold(OKBtn);
    setBold(SpeedButton3);
    setTextColour(OKBtn, QColor(0x00, 0x80, 0x00), QPalette::ButtonText);
    setTextColour(SpeedButton3, QColor(0xFF, 0x00, 0x00), QPalette::ButtonText);
    OKBtn->setDefault(true);
    for (QLabel* picture : {Image1L, Image2L, Image3L, Image4L})
        picture->setFixedSize(pictureWidth, pictureHeight);
    for (QWidget* hidden : std::initializer_list<QWidget*>{lbl_Centre, seStartLen, cbLsStart, cbLsStop, cbAmpel})
        hidden->hide();
    for (QLineEdit* field : {sfeLen, seFinalLen, seStartLen})
        field->installEventFilter(this);
    layOut();

    m_comPort2->setBaudRate(br9600);
    m_comPort2->setDataBits(8);
    m_comPort2->setParity(prNone);
    m_comPort2->setStopBits(sbOneStopBit);
    m_comPort2->setFlowControl(fcRtsCts);
    m_comPort2->setEnableDTR(true);
    m_comPort2->setEvents(TEvents(evRing) | evCTS | evDSR | evRLSD);
    m_comPort2->setReadBufSize(64);
    m_comPort2->setWriteBufSize(64);
    m_comPort2->setPort(0);
    const auto status = [this](TComPort* sender) { ComPortStatus(sender); };
    m_comPort2->OnRing = status;
    m_comPort2->OnCTS = status;
    m_comPort2->OnDSR = status;
    m_comPort2->OnRLSD = status;
    m_comPort2->OnOpen = [this](TComPort* sender) { ComPort2Open(sender); };
    m_comPort2->OnClose = [this](TComPort* sender) { ComPort2Close(sender); };

    connect(cbPort, &QComboBox::activated, this, &TCfgDialog::cbPortChange);
    connect(cbPort, &QComboBox::currentIndexChanged, this, [this](int item) { bAdapterTest->setEnabled(item > 0); });
    bAdapterTest->setEnabled(false);
    connect(bAdapterTest, &QPushButton::clicked, this, &TCfgDialog::bAdapterTestClick);
    connect(adapterTestDialog, &QDialog::finished, this, &TCfgDialog::adapterTestClosed);
    connect(OKBtn, &QPushButton::clicked, this, &TCfgDialog::OKBtnClick);
    connect(SpeedButton3, &QPushButton::clicked, this, &TCfgDialog::reject);

    FormCreate(portMask);
}

TCfgDialog::~TCfgDialog() = default;

void TCfgDialog::layOut() {
    auto* top = new QGridLayout;
    int row = 0;
    top->addWidget(LabMonitor, row, 0);
    top->addWidget(cbMonitor, row++, 1, 1, 2);
    top->addWidget(lbl_Title, row, 0);
    top->addWidget(eTitle, row++, 1, 1, 2);
    top->addWidget(lbl_Centre, row, 0);
    top->addWidget(seStartLen, row++, 1);
    top->addWidget(lbl_Long, row, 0);
    top->addWidget(sfeLen, row, 1);
    top->addWidget(Label2, row++, 2);
    top->addWidget(lbl_maxSpeed, row, 0);
    top->addWidget(seFinalLen, row, 1);
    top->addWidget(Label1, row++, 2);
    top->setColumnStretch(1, 1);

    auto* lines = new QGridLayout(GroupBox3);
    lines->addWidget(lbl_COM1, 0, 0, 1, 2);
    lines->addWidget(cbPort, 0, 2, 1, 2);
    lines->addWidget(LabelNow, 1, 2);
    lines->addWidget(lbl_Eregnis, 1, 3);
    const std::array<QCheckBox*, lineRows> fitted{nullptr, cbLsZwZeit, cbLsVmax, nullptr};
    const std::array<QLabel*, lineRows> names{Label25, Label31, Label27, Label28};
    const std::array<QLabel*, lineRows> pictures{Image1L, Image2L, Image3L, Image4L};
    const std::array<QComboBox*, lineRows> levels{cbAlg1, cbAlg2, cbAlg3, cbAlg4};
    for (int i = 0; i < lineRows; ++i) {
        const auto at = std::size_t(i);
        if (fitted[at])
            lines->addWidget(fitted[at], 2 + i, 0);
        lines->addWidget(names[at], 2 + i, 1);
        lines->addWidget(pictures[at], 2 + i, 2);
        lines->addWidget(levels[at], 2 + i, 3);
    }
    lines->addWidget(lbl_Light, 2 + lineRows, 1, 1, 2);
    lines->addWidget(Label3, 2 + lineRows, 3);
    lines->addWidget(bAdapterTest, 3 + lineRows, 0, 1, 4);
    lines->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(SpeedButton3);

    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(cbManyStart);
    all->addWidget(cbPlatz);
    all->addWidget(GroupBox3);
    all->addWidget(webPanel);
    all->addLayout(buttons);
    // A fixed dialog border: the size follows the contents, the official cannot drag it.
    all->setSizeConstraint(QLayout::SetFixedSize);
}

void TCfgDialog::FormCreate(quint64 portMask) {
    for (int row = 0; row < lineRows; ++row)
        showPicture(row, 0);
    fillPortList(portMask);
    lbl_Long->setText(QStringLiteral("Streckenlänge:"));
}

void TCfgDialog::fillPortList(quint64 portMask) {
    m_portMask = portMask;
    cbPort->clear();
    cbPort->addItem(QStringLiteral("Kein"), 0);
    for (int n = 1; n <= 64; ++n) {
        if (portMask & (quint64(1) << (n - 1)))
            cbPort->addItem(comPortListText(n), n);
    }
    cbPort->setEnabled(cbPort->count() > 1);
}

void TCfgDialog::fillFromSettings(const Settings& s) {
    m_filled = s;
    // An adapter plugged in since the last opening shows up now.
    fillPortList(m_links.surveyPorts ? m_links.surveyPorts() : m_portMask);
    const int item = s.Port == 0 ? -1 : cbPort->findData(int(s.Port));
    cbPort->setCurrentIndex(item < 0 ? 0 : item);

    sfeLen->setText(QString::number(s.Length));
    seFinalLen->setText(QString::number(s.LengthF));
    seStartLen->setText(QString::number(s.LengthS));
    eTitle->setText(s.Title);
    cbLsStart->setChecked(s.ColSpeed0);
    cbLsStop->setChecked(s.ColSpeed1);
    cbAmpel->setChecked(s.lightEnabled);
    cbManyStart->setChecked(s.ManyStart);
    cbLsZwZeit->setChecked(s.LuchZwZeit);
    cbLsVmax->setChecked(s.LuchVmax);
    cbPlatz->setChecked(s.ShowPlatz);
    const std::array<QComboBox*, lineRows> levels{cbAlg1, cbAlg2, cbAlg3, cbAlg4};
    for (std::size_t i = 0; i < levels.size(); ++i)
        levels[i]->setCurrentIndex(s.Alg[i] == 0 ? 0 : 1);
    webPanel->fillFromSettings(s);
}

Settings TCfgDialog::chosenSettings() const {
    Settings s = m_filled;
    s.LuchVmax = cbLsVmax->isChecked();
    s.LuchZwZeit = cbLsZwZeit->isChecked();
    s.ShowPlatz = cbPlatz->isChecked();
    // An empty field gives 0.
    s.LengthF = seFinalLen->text().toInt();
    s.LengthS = seStartLen->text().toInt();
    s.ColSpeed0 = cbLsStart->isChecked();
    s.ColSpeed1 = cbLsStop->isChecked();
    s.lightEnabled = cbAmpel->isChecked();
    s.ManyStart = cbManyStart->isChecked();
    s.Title = eTitle->text();
    s.Monitor = qMax(0, cbMonitor->currentIndex());
    bool ok = false;
    const int length = sfeLen->text().toInt(&ok);
    if (ok)
        s.Length = length;
    s.Port = 0;
    if (cbPort->currentIndex() > 0) {
        s.Port = quint8(cbPort->currentData().toInt());
        s.Alg = {cbAlg1->currentIndex(), cbAlg2->currentIndex(), cbAlg3->currentIndex(), cbAlg4->currentIndex()};
    }
    webPanel->storeSettings(s);
    return s;
}

void TCfgDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Restoring a minimised dialog is no new opening.
    if (!event->spontaneous())
        FormShow();
}

void TCfgDialog::FormShow() {
    fillMonitorList();
    for (int row = 0; row < lineRows; ++row)
        showPicture(row, 0);

    const int mainPort = m_links.mainPort ? m_links.mainPort->portNumber() : 0;
    m_comPort2->setPort(quint8(mainPort));
    if (mainPort == 0)
        return;
    try {
        // The two ports never hold the line at once. Opening shows the lines as read then,
        // and every change after it.
        m_links.mainPort->lend();
        m_comPort2->Open();
    } catch (const std::exception& error) {
        // Pictures stay grey; the main port is opened again when the dialog closes.
        if (m_links.showPortFailure)
            m_links.showPortFailure(comPortListText(mainPort) + QStringLiteral(": ") + QString::fromUtf8(error.what()));
    }
}

void TCfgDialog::fillMonitorList() {
    const QList<QRect> screens = m_links.screens ? m_links.screens() : QList<QRect>{};
    const bool several = screens.size() > 1;
    cbMonitor->setEnabled(several);
    LabMonitor->setEnabled(several);
    cbMonitor->clear();
    if (!several) {
        cbMonitor->addItem(QStringLiteral("nicht angeschlossen"));
        cbMonitor->setCurrentIndex(0);
        return;
    }
    for (int i = 0; i < screens.size(); ++i) {
        const QRect& bounds = screens.at(i);
        cbMonitor->addItem(QString::asprintf("%d  (%dx%d)", i + 1, bounds.width(), bounds.height()));
    }
    // A monitor unplugged since the index was stored: the first one, never none.
    cbMonitor->setCurrentIndex(checkedMonitorIndex(m_filled.Monitor, int(screens.size())));
}

void TCfgDialog::OKBtnClick() {
    bool ok = false;
    sfeLen->text().toInt(&ok);
    if (!ok) {
        // Nothing is applied; the official corrects the field and confirms again.
        QMessageBox::critical(this, m_links.appTitle,
                              QStringLiteral("'%1' ist keine gültige Zahl für die Streckenlänge.").arg(sfeLen->text()));
        sfeLen->setFocus();
        return;
    }
    accept();
}

void TCfgDialog::done(int result) {
    QDialog::done(result);
    FormClose();
}

void TCfgDialog::FormClose() {
    if (m_comPort2->Port() == 0)
        return;
    // The main window takes its port back once the dialog has closed.
    try {
        m_comPort2->Close();
    } catch (const std::exception&) {
    }
}

void TCfgDialog::cbPortChange() {
    try {
        m_comPort2->Close();
    } catch (const std::exception&) {
    }
    m_comPort2->setPort(0);
    if (cbPort->currentIndex() == 0)
        return;
    m_comPort2->setPort(quint8(cbPort->currentData().toInt()));
    try {
        m_comPort2->Open();
    } catch (const std::exception& error) {
        QMessageBox::critical(this, m_links.appTitle, officialPortErrorText(QString::fromUtf8(error.what())));
    }
}

void TCfgDialog::bAdapterTestClick() {
    if (cbPort->currentIndex() <= 0)
        return;
    const int port = cbPort->currentData().toInt();
    try {
        m_comPort2->Close();
    } catch (const std::exception&) {
    }
    adapterTestDialog->prepare(port);
    adapterTestDialog->open();
}

void TCfgDialog::adapterTestClosed() {
    // The live line test goes on with the port the list shows.
    if (!isVisible() || m_comPort2->Port() == 0)
        return;
    try {
        m_comPort2->Open();
    } catch (const std::exception&) {
    }
}

void TCfgDialog::ComPortStatus(TComPort* Sender) {
    const quint32 status = Sender->GetModemStatus();
    for (int row = 0; row < lineRows; ++row)
        showPicture(row, (status & wiringOf(Barrier(row)).line) ? 2 : 1);
}

void TCfgDialog::ComPort2Open(TComPort* Sender) {
    ComPortStatus(Sender);
}

void TCfgDialog::ComPort2Close(TComPort*) {
    for (int row = 0; row < lineRows; ++row)
        showPicture(row, 0);
}

void TCfgDialog::showPicture(int row, int entry) {
    const std::array<QLabel*, lineRows> pictures{Image1L, Image2L, Image3L, Image4L};
    QLabel* picture = pictures[std::size_t(row)];
    picture->setPixmap(m_linePictures[std::size_t(entry)]);
    picture->update();
}

void TCfgDialog::cbAlg1DrawItem(QPainter& painter, const QRect& rect, int index, const QColor& background) const {
    painter.fillRect(rect, background);
    painter.drawText(rect.topLeft() + QPoint(1, 1 + painter.fontMetrics().ascent()),
                     index == 0 ? QStringLiteral("OFF") : QStringLiteral("ON"));
    painter.drawPixmap(rect.left() + 30, rect.top(), m_linePictures[index == 0 ? 1 : 2]);
}

bool TCfgDialog::sfeLenKeyPress(const QKeyEvent& key) const {
    const QString text = key.text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return false; // not a typed character: editing keys, backspace, shortcuts
    return !(text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'));
}

bool TCfgDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == sfeLen || watched == seFinalLen || watched == seStartLen))
        return sfeLenKeyPress(static_cast<const QKeyEvent&>(*event));
    return QDialog::eventFilter(watched, event);
}
