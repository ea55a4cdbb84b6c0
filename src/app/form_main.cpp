// The main window's creation (controls, settings, port survey, title picture), its resizing
// and the title bar's services; the run, files, web and closing are in form_main_*.cpp.

#include "app/form_main.h"

#include "app/button_look.h"
#include "app/click_label.h"
#include "app/date_panel_text.h"
#include "app/form_main_commands.h"
#include "app/main_artwork.h"
#include "app/resize_rule.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dialog_artwork.h"
#include "dialogs/form_info.h"
#include "display/display_state.h"
#include "io/port_survey.h"
#include "journal/journal.h"
#include "platform/sound_player.h"
#include "protocol/backup_schedule.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/protocol_table.h"
#include "run/barrier_port.h"
#include "run/run_controller.h"
#include "settings/file_type_names.h"
#include "settings/settings_store.h"
#include "settings/window_placement.h"
#include "timing/high_res_timer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

TFormMain::TFormMain(FormMainEnvironment environment, QWidget* parent)
    : QMainWindow(parent), m_environment(std::move(environment)) {
    setObjectName(QStringLiteral("FormMain"));
    // The design size is also the minimum.
    setMinimumSize(mainWindowMinWidth, mainWindowMinHeight);
    resize(mainWindowMinWidth, mainWindowMinHeight);
    m_ui.setupUi(this);
    m_commands = new FormMainCommands(this);
    m_sounds = new SoundPlayer(this);
    m_imageList1 = barrierPictures();
    m_imageList2 = lightPictures();
    FormCreate();
}

TFormMain::~TFormMain() {
    detachJournal();
}

TComPort& TFormMain::ComPort() const {
    return m_barrierPort->ComPort();
}

SimulatedBarrierBox& TFormMain::barrierBox() const {
    return m_barrierPort->box();
}

void TFormMain::FormCreate() {
    // Names derived from the executable.
    m_names = appNamesFor(m_environment.executablePath);
    m_files = programFilesFor(m_environment.executablePath, m_environment.shareFolder);

    setWindowTitle(QStringLiteral("2.1 ") + m_names.baseName);
    setWindowIcon(tarvoltApplicationIcon());

    // Loading makes no sound; a file that cannot be loaded is never played.
    for (QString& path : m_files.sounds)
        path = m_sounds->preload(path);

    // Every stamp comes from the performance counter, and creation does not wait for a
    // TSC calibration.
    TimerPlatform platform = systemTimerPlatform();
    if (m_environment.performanceCounter) {
        const auto read = [](const void* counter) { return (*static_cast<const std::function<qint64()>*>(counter))(); };
        platform.performanceCounter = {read, &m_environment.performanceCounter};
    }
    m_highResTimer = std::make_unique<THighResTimer>(THighResTimer::StartCounter::PerformanceCounter, platform);

    m_settings.Alg = {1, 0, 0, 0};
    m_fileTypeNames = fileTypeNamesFromMimeDatabase();
    loadSettings(m_environment.settingsPath, m_settings);
    // A program that has no track length stored starts with the preset.
    m_settings.Length = lengthWithPreset(m_settings.Length);
    const QList<QRect> screens = m_environment.screens ? m_environment.screens() : QList<QRect>{};
    m_settings.Monitor = checkedMonitorIndex(m_settings.Monitor, int(screens.size()));
    placeWindow();

    createRunController();
    wireCommands();
    wireRunController();

    m_ui.ImageTVEin->move(m_ui.ImageTVAus->x(), m_ui.ImageTVAus->y());
    m_ui.ImageTVEin->raise();

    m_openDialog.Filter = openDialogFilter();
    m_saveDialog.Filter = saveDialogFilter(m_openDialog.Filter, m_fileTypeNames);
    m_saveDialog.FilterIndex = m_settings.FilterInd;

    m_ui.sbCLS->setToolTip(QStringLiteral("[Ctrl+X] Löschen"));
    m_ui.sbLoad->setToolTip(QStringLiteral("[Ctrl+O]Öffnen"));

    m_portMask = scanComPorts(m_environment.sysfsRoot);

    m_saveDialog.FileName = m_names.baseName + QStringLiteral(".") + m_saveDialog.DefaultExt;
    m_saveDialog.InitialDir = userFilesFolder(m_names.programFolder, m_environment.documentsFolder);
    m_openDialog.InitialDir = m_saveDialog.InitialDir;
    setupProtocolFiles();
    setupWorkbook();
    setupProtocolDocument();

    loadTitlePicture();

    TimerDateTimer();
    m_timerDate.setInterval(dateInterval);
    connect(&m_timerDate, &QTimer::timeout, this, &TFormMain::TimerDateTimer);
    m_timerDate.start();

    setupLiveWeb();
    applySettings(m_settings);
    // Opening and closing at once shows early whether the port is there; failures are swallowed.
    m_controller->probePort();

    setupProtocolGrid(m_ui.SortGrid1->gridData());
    wireProtocolTable();
    // The columns follow the grid's width, which the window's layout sets after its own resize.
    m_ui.SortGrid1->installEventFilter(this);
    updateProtocolButtons();
    // Until the table selects a row itself (a loaded backup does) nothing is selected.
    m_ui.StatusBar1->setPanelText(0, QStringLiteral("0:0"));
    setupJournal();
    loadBackupProtocol();
    // From here on every change reaches the backup soon; the table just read is in it already.
    m_backupSchedule = new BackupSchedule(
        m_ui.SortGrid1->gridData(), [this] { saveBackupProtocol(); }, this);
    setupStandings();

    // The controller starts Idle: run buttons off, F8 closed, light grey, icons red and hidden.
    renderRunState();
    renderDisplay();

    StatusPanels* status = m_ui.StatusBar1;
    status->setPanelWidth(0, 50);
    status->setPanelAlignment(0, Qt::AlignHCenter);
    status->setPanelWidth(1, 220);
    status->setPanelAlignment(1, Qt::AlignHCenter);
    status->setPanelText(1, QStringLiteral("Zeitmessung Beschleunigung"));
    status->setPanelWidth(3, 50);
    status->setPanelAlignment(3, Qt::AlignRight);
    FormResize();
}

QDateTime TFormMain::localNow() const {
    return m_environment.clock ? m_environment.clock() : QDateTime::currentDateTime();
}

void TFormMain::placeWindow() {
    const QList<QRect> screens = m_environment.screens ? m_environment.screens() : QList<QRect>{};
    const WindowPlacement placement = mainWindowPlacement(m_settings, screens);
    resize(placement.size);
    if (placement.position)
        move(*placement.position);
}

void TFormMain::loadTitlePicture() {
    m_ui.ImageTitle->setToolTip(QStringLiteral("logo.jpg"));
    QImageReader reader(QDir(m_environment.currentFolder).filePath(QStringLiteral("logo.jpg")), "jpeg");
    const QImage image = reader.read();
    if (image.isNull())
        return;
    const QSize room = m_ui.ImageTitle->size();
    QPixmap picture = QPixmap::fromImage(image);
    if (picture.width() > room.width() || picture.height() > room.height())
        picture = picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_ui.ImageTitle->setPixmap(picture);
}

void TFormMain::wireCommands() {
    FormMainCommands& c = *m_commands;
    connect(c.mHilfe, &QAction::triggered, this, &TFormMain::bHelpClick);
    connect(c.Hilfe1, &QAction::triggered, this, &TFormMain::bHelpClick);
    connect(c.mInfo, &QAction::triggered, this, &TFormMain::bInfoClick);
    connect(m_ui.bHelp, &TLbSpeedButton::OnClick, this, &TFormMain::bHelpClick);
    connect(m_ui.bInfo, &TLbSpeedButton::OnClick, this, &TFormMain::bInfoClick);
    connect(c.EinstellunGen1, &QAction::triggered, this, &TFormMain::bCFGClick);
    connect(m_ui.bCFG, &TLbSpeedButton::OnClick, this,
            [item = c.EinstellunGen1] { FormMainCommands::clickItem(item); });
    connect(m_ui.LabelMaker, &ClickLabel::clicked, this, &TFormMain::openMakerSite);

    connect(c.Modus1, &QAction::triggered, this, &TFormMain::Modus1Click);
    const auto clicks = [](QAction* item) { return [item] { FormMainCommands::clickItem(item); }; };
    connect(m_ui.ImageTVAus, &ClickLabel::clicked, this, clicks(c.Modus1));
    connect(m_ui.ImageTVEin, &ClickLabel::clicked, this, clicks(c.Modus1));
}

void TFormMain::attachLaterWindows(const LaterWindows& windows) {
    m_later = windows;
    wireMonitor();
}

void TFormMain::updateProtocolButtons() {
    const bool on = protocolButtonsEnabled(m_ui.SortGrid1->gridData());
    // A button is usable only while its command is part of the program (its item is enabled).
    const FormMainCommands& c = *m_commands;
    const std::array<QAction*, 6> items{c.Clear1, c.Print1, c.EXcel1, c.Word1, c.Save1, c.Html1};
    const std::array<TLbSpeedButton*, 6> buttons = m_ui.protocolButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->setEnabled(on && items[i]->isEnabled());
    m_ui.sbLoad->setEnabled(c.Open1->isEnabled());
}

int TFormMain::gridClientWidth() const {
    // Worked out from the grid's own size: its viewport follows only after this window's
    // resize event, and not at all while the window is hidden.
    const TSortGrid* grid = m_ui.SortGrid1;
    int width = grid->width() - 2 * grid->frameWidth();
    if (grid->verticalScrollBar()->maximum() > 0)
        width -= grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid);
    return width;
}

void TFormMain::FormResize() {
    // The widest start number, 9999, in the grid's font, with the cell's margins and grid line.
    const int numberWidth = m_ui.SortGrid1->fontMetrics().horizontalAdvance(QStringLiteral("9999")) + 5;
    const auto widths = protocolColumnWidths(gridClientWidth(), m_settings.ShowPlatz, numberWidth);
    SortGridData& grid = m_ui.SortGrid1->gridData();
    for (int col = 0; col < protocolColumnCount; ++col)
        grid.setColWidth(col, widths[static_cast<std::size_t>(col)]);

    StatusPanels* status = m_ui.StatusBar1;
    status->setPanelText(3, windowSizeCaption(size()));
    // The bar spans the window; its own width is not laid out yet while the window is hidden.
    status->setPanelWidth(
        2, statusPanel2Width(width(), status->panelWidth(0), status->panelWidth(1), status->panelWidth(3)));
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui.SortGrid1 && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFormMain::playSound(const QString& path) {
    m_sounds->playSound(path);
}

void TFormMain::TimerDateTimer() {
    m_ui.PanelDate->setText(datePanelText(QDateTime::currentDateTime(), QLocale()));
}

void TFormMain::bHelpClick() {
    // A copy without its manual simply has no help.
    if (m_environment.openUrl && QFileInfo(m_files.helpFile).isFile())
        m_environment.openUrl(QUrl::fromLocalFile(m_files.helpFile));
}

void TFormMain::bInfoClick() {
    if (m_later.info)
        m_later.info->exec();
}

QUrl TFormMain::makerSite() {
    return QUrl(QStringLiteral("https://www.quillmere.de/"));
}

void TFormMain::openMakerSite() {
    if (m_environment.openUrl)
        m_environment.openUrl(makerSite());
}
