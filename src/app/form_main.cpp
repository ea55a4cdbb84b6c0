#include "app/form_main.h"

#include "app/click_label.h"
#include "app/date_panel_text.h"
#include "app/form_main_commands.h"
#include "app/main_artwork.h"
#include "app/resize_rule.h"
#include "app/run_buttons.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dialog_artwork.h"
#include "dialogs/form_info.h"
#include "platform/sound_player.h"
#include "protocol/protocol_ranking.h"
#include "protocol/protocol_table.h"
#include "settings/file_type_names.h"
#include "settings/settings_store.h"
#include "settings/window_placement.h"
#include "timing/high_res_timer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

TFormMain::TFormMain(FormMainEnvironment environment, QWidget* parent)
    : QMainWindow(parent), m_environment(std::move(environment)) {
    setObjectName(QStringLiteral("FormMain"));
    setMinimumSize(designWidth, designHeight);
    resize(designWidth, designHeight);
    m_ui.setupUi(this);
    m_commands = new FormMainCommands(this);
    m_sounds = new SoundPlayer(this);
    wireCommands();
    FormCreate();
}

TFormMain::~TFormMain() = default;

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
    m_highResTimer = std::make_unique<THighResTimer>(THighResTimer::StartCounter::PerformanceCounter);

    m_settings.Alg = {1, 0, 0, 0};
    m_fileTypeNames = fileTypeNamesFromMimeDatabase();
    loadSettings(m_environment.settingsPath, m_settings);
    m_sounds->setSoundOn(m_settings.Sound);
    const QList<QRect> screens = m_environment.screens ? m_environment.screens() : QList<QRect>{};
    m_settings.Monitor = checkedMonitorIndex(m_settings.Monitor, int(screens.size()));
    placeWindow();
    m_ui.PanelDisplay->cbParam2->setCurrentIndex(m_settings.Param2);

    m_ui.ImageTVEin->move(m_ui.ImageTVAus->x(), m_ui.ImageTVAus->y());
    m_ui.ImageTVEin->raise();

    m_openDialog.Filter = openDialogFilter();
    m_saveDialog.Filter = saveDialogFilter(m_openDialog.Filter, m_fileTypeNames);
    m_saveDialog.FilterIndex = m_settings.FilterInd;

    m_ui.sbCLS->setToolTip(QStringLiteral("[Ctrl+X] Löschen"));
    m_ui.sbLoad->setToolTip(QStringLiteral("[Ctrl+O]Öffnen"));

    m_saveDialog.FileName = m_names.baseName + QStringLiteral(".") + m_saveDialog.DefaultExt;
    m_saveDialog.InitialDir = m_names.programFolder;
    m_openDialog.InitialDir = m_names.programFolder;

    loadTitlePicture();

    TimerDateTimer();
    m_timerDate.setInterval(dateInterval);
    connect(&m_timerDate, &QTimer::timeout, this, &TFormMain::TimerDateTimer);
    m_timerDate.start();

    setupProtocolGrid(m_ui.SortGrid1->gridData());
    // The columns follow the grid's width, which the window's layout sets after its own resize.
    m_ui.SortGrid1->installEventFilter(this);
    updateProtocolButtons();
    loadBackupProtocol();

    setButtonState(*m_ui.bStart, bStartColours, false);
    setButtonState(*m_ui.bStop, bStopColours, false);
    setButtonState(*m_ui.bReset, bResetColours, false);
    setButtonState(*m_ui.bAvaria, bAvariaColours, false);
    setButtonState(*m_ui.bZwZeit, bZwZeitColours, false);
    setButtonState(*m_ui.bVmax, bVmaxColours, false);
    m_commands->mStop->setEnabled(false);

    setPicturesToStart();

    StatusPanels* status = m_ui.StatusBar1;
    status->setPanelWidth(0, 50);
    status->setPanelAlignment(0, Qt::AlignHCenter);
    status->setPanelText(0, QStringLiteral("0:0"));
    status->setPanelWidth(1, 220);
    status->setPanelAlignment(1, Qt::AlignHCenter);
    status->setPanelText(1, QStringLiteral("Zeitmessung Beschleunigung"));
    status->setPanelWidth(3, 50);
    status->setPanelAlignment(3, Qt::AlignRight);
    FormResize();
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

void TFormMain::setPicturesToStart() {
    m_imageList1 = barrierPictures();
    m_imageList2 = lightPictures();
    m_ui.ImageAmpel->setPixmap(m_imageList2[0]);
    for (ClickLabel* icon : m_ui.barrierIcons())
        icon->setPixmap(m_imageList1[0]);
}

void TFormMain::wireCommands() {
    FormMainCommands& c = *m_commands;
    connect(c.mHilfe, &QAction::triggered, this, &TFormMain::bHelpClick);
    connect(c.Hilfe1, &QAction::triggered, this, &TFormMain::bHelpClick);
    connect(c.mInfo, &QAction::triggered, this, &TFormMain::bInfoClick);
    connect(c.TestKeys1, &QAction::triggered, this, &TFormMain::TestKeys1Click);
    connect(m_ui.bHelp, &TLbSpeedButton::OnClick, this, &TFormMain::bHelpClick);
    connect(m_ui.bInfo, &TLbSpeedButton::OnClick, this, &TFormMain::bInfoClick);
    connect(m_ui.LabelMaker, &ClickLabel::clicked, this, &TFormMain::openMakerSite);

    // Commands whose work is not part of the program yet stay disabled, and so do
    // their buttons; enabling an item is what makes its handler reachable.
    for (QAction* item : {c.EinstellunGen1, c.mFreigabe1, c.mStart, c.ZwZeit1, c.mVmax, c.mStop, c.mReset, c.mAvaria,
                          c.mLockStartLS, c.mLockStoppLS, c.Modus1, c.Clear1, c.Word1, c.EXcel1, c.Html1, c.Print1,
                          c.Save1, c.Open1, c.Zeileentfernen1})
        item->setEnabled(false);
    m_ui.bCFG->setEnabled(false);
    m_ui.cbFreigabe->setEnabled(false);

    // The run buttons forward to their items, so the items' gates hold for them too.
    const auto forward = [](QAction* item) { return [item] { FormMainCommands::clickItem(item); }; };
    connect(m_ui.bFreigabe, &TLbSpeedButton::OnClick, this, forward(c.mFreigabe1));
    connect(m_ui.bStart, &TLbSpeedButton::OnMouseDown, this, forward(c.mStart));
    connect(m_ui.bZwZeit, &TLbSpeedButton::OnMouseDown, this, forward(c.ZwZeit1));
    connect(m_ui.bVmax, &TLbSpeedButton::OnMouseDown, this, forward(c.mVmax));
    connect(m_ui.bStop, &TLbSpeedButton::OnMouseDown, this, forward(c.mStop));
    connect(m_ui.bReset, &TLbSpeedButton::OnClick, this, forward(c.mReset));
    connect(m_ui.bAvaria, &TLbSpeedButton::OnClick, this, forward(c.mAvaria));
    connect(m_ui.ImageTVAus, &ClickLabel::clicked, this, forward(c.Modus1));
    connect(m_ui.ImageTVEin, &ClickLabel::clicked, this, forward(c.Modus1));
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
    const auto widths = protocolColumnWidths(gridClientWidth(), m_settings.ShowPlatz);
    SortGridData& grid = m_ui.SortGrid1->gridData();
    for (int col = 0; col < kProtocolColumns; ++col)
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
    if (m_environment.openUrl)
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

void TFormMain::TestKeys1Click() {
    // The action is checkable, so triggering it has already inverted its check mark;
    // nothing else reads it.
}
