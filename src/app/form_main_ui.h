// The main window's controls at their design places and sizes, built once: title bar,
// display and run buttons, protocol table and status bar.

#pragma once

#include "display/display_panel.h"
#include "io/barrier_wiring.h"

#include <array>

class ClickLabel;
class QCheckBox;
class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QPixmap;
class QWidget;
class StatusPanels;
class TLbSpeedButton;
class TSortGrid;
class TitleBar;

// The main window's controls at their design places and sizes (850 x 572), built
// once, top to bottom: the title bar, the display and run-button band, the protocol
// table and the status bar. Holds the controls only; the window wires them.
// GUI thread only.
struct FormMainUi {
    // Builds every control into `window`, which becomes their owner.
    void setupUi(QMainWindow* window);

    // Title bar.
    TitleBar* Panel1 = nullptr;
    TLbSpeedButton* bHelp = nullptr;
    TLbSpeedButton* bCFG = nullptr;
    TLbSpeedButton* bInfo = nullptr;
    QLabel* PanelDate = nullptr;
    ClickLabel* LabelMaker = nullptr;

    // Display and run-button band.
    QWidget* Panel2 = nullptr;
    QWidget* PanelLeft = nullptr;
    QLabel* Image2 = nullptr; // left frame
    DisplayPanel* PanelDisplay = nullptr;
    QLabel* Image4 = nullptr; // right frame
    ClickLabel* ImageTVAus = nullptr;
    ClickLabel* ImageTVEin = nullptr;

    QWidget* Panel3 = nullptr;
    ClickLabel* ImageAmpel = nullptr;
    ClickLabel* ImageLSstart = nullptr;
    ClickLabel* ImageLSreakt = nullptr;
    ClickLabel* ImageLSmax = nullptr;
    ClickLabel* ImageLSstop = nullptr;
    QCheckBox* cbFreigabe = nullptr;
    TLbSpeedButton* bFreigabe = nullptr;
    TLbSpeedButton* bStart = nullptr;
    TLbSpeedButton* bZwZeit = nullptr;
    TLbSpeedButton* bVmax = nullptr;
    TLbSpeedButton* bStop = nullptr;
    TLbSpeedButton* bReset = nullptr;
    TLbSpeedButton* bAvaria = nullptr;
    QLabel* ImageTitle = nullptr;
    QLabel* LabelError = nullptr;
    QCheckBox* cbPlatzOn = nullptr; // hidden, always checked

    QWidget* Panel4 = nullptr;
    QLabel* LabelProtokoll = nullptr;
    TLbSpeedButton* sbCLS = nullptr;
    TLbSpeedButton* sbPrint = nullptr;
    TLbSpeedButton* sbExcel = nullptr;
    TLbSpeedButton* sbWord = nullptr;
    TLbSpeedButton* sbSave = nullptr;
    TLbSpeedButton* sbInet = nullptr;
    TLbSpeedButton* sbLoad = nullptr;

    // The protocol table, filling the rest of the window.
    TSortGrid* SortGrid1 = nullptr;
    // Its right-click menu.
    QMenu* PopupMenuProtokol = nullptr;
    QAction* Erase1 = nullptr;

    StatusPanels* StatusBar1 = nullptr;

    // The seven run buttons, top to bottom.
    std::array<TLbSpeedButton*, 7> runButtons() const {
        return {bFreigabe, bStart, bZwZeit, bVmax, bStop, bReset, bAvaria};
    }
    // The barrier icons, indexed by Barrier.
    std::array<ClickLabel*, barrierCount> barrierIcons() const {
        return {ImageLSstart, ImageLSreakt, ImageLSmax, ImageLSstop};
    }
    // The protocol buttons that follow the protocol's state (all but sbLoad).
    std::array<TLbSpeedButton*, 6> protocolButtons() const { return {sbCLS, sbPrint, sbExcel, sbWord, sbSave, sbInet}; }

private:
    void buildTitleBar(QWidget* parent);
    void buildLeftPanel(QWidget* parent);
    void buildRunPanel(QWidget* parent);
    void buildProtocolBar(QWidget* parent);
    void buildProtocolTable(QWidget* parent);
};
