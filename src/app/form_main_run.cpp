// The main window's side of the run controller: it builds the controller with the
// barrier port, forwards keys, buttons, pictures and port events to it, and renders
// its state and the display state into the controls.

#include "app/form_main.h"

#include "app/button_look.h"
#include "app/click_label.h"
#include "app/form_main_commands.h"
#include "app/main_artwork.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "display/display_state.h"
#include "run/barrier_port.h"
#include "run/run_controller.h"
#include "run/start_name.h"
#include "timing/high_res_timer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

void TFormMain::createRunController() {
    const THighResTimer* timer = m_highResTimer.get();
    const EventCounterReader readCounter = timer->eventReader();
    m_barrierPort =
        std::make_unique<BarrierPort>(readCounter, m_environment.simulatorSocketPath, m_environment.serialLines.get());

    m_display = new DisplayState(this);
    const auto play = [this](RunSound sound) {
        static constexpr SignalSound files[] = {soundStart, soundSplit, soundTrap, soundFinish};
        playSound(m_files.sounds[files[int(sound)]]);
    };
    m_controller = new RunController(m_barrierPort->runPort(), m_ui.SortGrid1->gridData(), *m_display, readCounter,
                                     timer->CountSpeed(), play, this);
}

void TFormMain::wireRunController() {
    RunController* c = m_controller;
    FormMainCommands& items = *m_commands;

    connect(items.mFreigabe1, &QAction::triggered, c, &RunController::mFreigabe1Click);
    connect(items.mStart, &QAction::triggered, c, &RunController::mStartClick);
    connect(items.ZwZeit1, &QAction::triggered, c, &RunController::ZwZeit1Click);
    connect(items.mVmax, &QAction::triggered, c, &RunController::mVmaxClick);
    connect(items.mStop, &QAction::triggered, c, &RunController::mStopClick);
    connect(items.mReset, &QAction::triggered, c, &RunController::mResetClick);
    connect(items.mAvaria, &QAction::triggered, c, &RunController::mAvariaClick);
    connect(items.mLockStartLS, &QAction::triggered, c, &RunController::mLockStartLSClick);
    connect(items.mLockStoppLS, &QAction::triggered, c, &RunController::mLockStoppLSClick);
    connect(items.TestKeys1, &QAction::triggered, c, &RunController::TestKeys1Click);

    // START, Zw.Zeit, Vmax and FINISH act when a mouse button goes down. The controller
    // gates every button by its own look and its menu item, as for a key.
    connect(m_ui.bFreigabe, &TLbSpeedButton::OnClick, c, &RunController::bFreigabeClick);
    connect(m_ui.bStart, &TLbSpeedButton::OnMouseDown, c, &RunController::bSTARTMouseDown);
    connect(m_ui.bZwZeit, &TLbSpeedButton::OnMouseDown, c, &RunController::bZwZeitMouseDown);
    connect(m_ui.bVmax, &TLbSpeedButton::OnMouseDown, c, &RunController::bVmaxMouseDown);
    connect(m_ui.bStop, &TLbSpeedButton::OnMouseDown, c, &RunController::bSTOPMouseDown);
    connect(m_ui.bReset, &TLbSpeedButton::OnClick, c, &RunController::bResetClick);
    connect(m_ui.bAvaria, &TLbSpeedButton::OnClick, c, &RunController::bAVARIAClick);
    connect(m_ui.cbFreigabe, &QCheckBox::clicked, c, &RunController::setCbFreigabe);

    const std::array<ClickLabel*, barrierCount> icons = m_ui.barrierIcons();
    for (Barrier b : allBarriers)
        connect(icons[barrierIndex(b)], &ClickLabel::clicked, c, [c, b] { c->ImageLSClick(b); });
    connect(m_ui.ImageAmpel, &ClickLabel::clicked, c, &RunController::ImageAmpelClick);

    DisplayPanel* panel = m_ui.PanelDisplay;
    connect(panel->editStartN1, &QSpinBox::valueChanged, c, &RunController::setEditStartN1);
    connect(panel->editStartN2, &QSpinBox::valueChanged, c, &RunController::setEditStartN2);
    connect(panel->cbParam2, &QComboBox::currentIndexChanged, c, &RunController::cbParam2Change);

    connect(c, &RunController::stateChanged, this, &TFormMain::renderRunState);
    connect(c, &RunController::layoutRequested, this, &TFormMain::FormResize);
    connect(c, &RunController::protocolButtonsUpdateRequested, this, &TFormMain::updateProtocolButtons);
    connect(c, &RunController::backupRequested, this, &TFormMain::saveBackupProtocol);
    connect(c, &RunController::protocolChanged, this, &TFormMain::scrollToCurrentRow);
    connect(m_display, &DisplayState::changed, this, &TFormMain::renderDisplay);
    new StartNameFollower(*c, m_ui.SortGrid1->gridData(), *m_display, this);

    m_barrierPort->connectTo(*c);
    wireStatusLine();
}

void TFormMain::renderRunState() {
    const RunController& c = *m_controller;
    FormMainCommands& items = *m_commands;
    items.mStart->setEnabled(c.mStartEnabled());
    items.mStop->setEnabled(c.mStopEnabled());
    items.mReset->setEnabled(c.mResetEnabled());
    items.TestKeys1->setChecked(c.TestKeys1Checked());
    // F2 follows the button: the dialog would take the port from a running run.
    items.EinstellunGen1->setEnabled(c.bCFGEnabled());
    m_ui.bCFG->setEnabled(c.bCFGEnabled());

    const std::pair<TLbSpeedButton*, RunButton> buttons[] = {
        {m_ui.bStart, RunButton::bStart}, {m_ui.bZwZeit, RunButton::bZwZeit}, {m_ui.bVmax, RunButton::bVmax},
        {m_ui.bStop, RunButton::bStop},   {m_ui.bReset, RunButton::bReset},   {m_ui.bAvaria, RunButton::bAvaria}};
    for (const auto& [button, which] : buttons)
        applyButtonLook(*button, c.button(which));

    {
        const QSignalBlocker block(m_ui.cbFreigabe);
        m_ui.cbFreigabe->setChecked(c.cbFreigabe());
    }
    m_ui.cbPlatzOn->setChecked(c.cbPlatzOn());

    const std::array<ClickLabel*, barrierCount> icons = m_ui.barrierIcons();
    for (Barrier b : allBarriers) {
        const IconState& state = c.icon(b);
        ClickLabel* icon = icons[barrierIndex(b)];
        // An unpowered line shows its state dimmed: F11 and F12 are seen before the split too.
        const QPixmap& picture = m_imageList1[std::size_t(state.picture ? 1 : 0)];
        icon->setPixmap(state.powered ? picture : dimmedPixmap(picture));
        icon->setVisible(state.visible);
    }

    const QPixmap& light = m_imageList2[std::size_t(c.lightState() ? 1 : 0)];
    m_ui.ImageAmpel->setPixmap(light);
    m_ui.LabelError->setVisible(light.isNull());

    DisplayPanel* panel = m_ui.PanelDisplay;
    {
        const QSignalBlocker block1(panel->editStartN1);
        const QSignalBlocker block2(panel->editStartN2);
        const QSignalBlocker block3(panel->cbParam2);
        panel->editStartN1->setValue(c.editStartN1());
        panel->editStartN2->setValue(c.editStartN2());
        panel->cbParam2->setCurrentIndex(c.cbParam2ItemIndex());
    }
    panel->editStartN1->setEnabled(c.editStartN1Enabled());
}

void TFormMain::renderDisplay() {
    renderDisplayState(*m_display, m_ui.PanelDisplay->displayDigits());
    m_ui.PanelDisplay->renderCaptions(*m_display);
}
