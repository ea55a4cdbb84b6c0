// The settings dialog (F2): the settings, and a live look at the four barrier lines.

#pragma once

#include "platform/screens.h"
#include "settings/settings.h"

#include <QDialog>
#include <QPixmap>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class BarrierPort;
class AdapterTestDialog;
class RunPort;
class SerialBackends;
class TComPort;
class WebSettingsPanel;

// What the settings dialog uses of the program around it.
struct CfgDialogLinks {
    SerialBackends* backends = nullptr;   // where ComPort2 finds the device of a port number
    BarrierPort* mainPort = nullptr;      // the main window's barrier port; none: nothing to hand over
    ScreenList screens;                   // the attached monitors, primary first
    std::function<quint64()> surveyPorts; // which ports exist now; empty: the ports found at start
    QString appTitle;                     // caption of its message boxes
    // Told why ComPort2 could not open the main window's port when the dialog opened.
    std::function<void(const QString&)> showPortFailure;
    // A run is on: the adapter test is refused. Empty: never.
    std::function<bool()> runActive;
    // Where the adapter test keeps each port's last result; empty keeps nothing.
    QString adapterResultsPath;
    QString sysfsRoot = QStringLiteral("/sys"); // where the adapter test reads about the adapter
};

// The settings dialog, created once at start right after the main window and kept
// until the program ends. It is filled from the settings and gives back the edited
// settings; it changes nothing itself. While it is open it watches the chosen port with
// a port of its own (ComPort2, RTS/CTS, so that all four barriers are powered) and shows
// the four input lines as contact pictures, so the barriers can be tried out by hand;
// the main port lends it the line meanwhile (BarrierPort). GUI thread only.
class TCfgDialog : public QDialog {
    Q_OBJECT

public:
    // portMask: bit n-1 set for every port "COM" n found at start. links.backends and
    // links.mainPort must outlive the dialog.
    TCfgDialog(quint64 portMask, CfgDialogLinks links = {}, QWidget* parent = nullptr);
    ~TCfgDialog() override;

    // The opening: surveys the ports again, selects the settings' "Port" in the port list
    // ("Kein" when it is 0 or not there) and fills every field from the settings.
    void fillFromSettings(const Settings& settings);
    // The settings as the fields say, over those it was filled from: barriers fitted, rank
    // column, lengths, hidden flags, start mode, title, monitor, track length (checked by
    // OK), and the port with the four levels ("Kein": no port, the levels as they were).
    Settings chosenSettings() const;

    TComPort& ComPort2() const { return *m_comPort2; }
    // The line pictures: 0 grey (no port), 1 open contact (line off), 2 closed contact (line on).
    const QPixmap& linePicture(int entry) const { return m_linePictures[std::size_t(entry)]; }

    QLabel* const LabMonitor;
    QComboBox* const cbMonitor;
    QLabel* const lbl_Title;
    QLineEdit* const eTitle;
    QLabel* const lbl_Centre;    // hidden
    QLineEdit* const seStartLen; // hidden
    QLabel* const lbl_Long;
    QLineEdit* const sfeLen;
    QLabel* const Label2;
    QLabel* const lbl_maxSpeed;
    QLineEdit* const seFinalLen;
    QLabel* const Label1;
    QCheckBox* const cbManyStart;
    QCheckBox* const cbPlatz;
    QGroupBox* const GroupBox3;
    QLabel* const lbl_COM1;
    // "Kein", then one item per port found, each with its port number as item data.
    QComboBox* const cbPort;
    QLabel* const LabelNow;
    QLabel* const lbl_Eregnis;
    QLabel* const Label25;
    QLabel* const Image1L;
    QComboBox* const cbAlg1;
    QCheckBox* const cbLsZwZeit;
    QLabel* const Label31;
    QLabel* const Image2L;
    QComboBox* const cbAlg2;
    QCheckBox* const cbLsVmax;
    QLabel* const Label27;
    QLabel* const Image3L;
    QComboBox* const cbAlg3;
    QLabel* const Label28;
    QLabel* const Image4L;
    QComboBox* const cbAlg4;
    QLabel* const lbl_Light;
    QLabel* const Label3;
    // Opens the loopback-plug test of the chosen port; enabled while a port is chosen.
    QPushButton* const bAdapterTest;
    QCheckBox* const cbLsStart; // hidden
    QCheckBox* const cbLsStop;  // hidden
    QCheckBox* const cbAmpel;   // hidden
    // Below the existing controls: the live results on the local network.
    WebSettingsPanel* const webPanel;
    QPushButton* const OKBtn;
    QPushButton* const SpeedButton3;
    AdapterTestDialog* const adapterTestDialog;

    // Draws one item of a level list: the colour, the text, and the contact picture of the
    // level (open for "OFF", closed for "ON").
    void cbAlg1DrawItem(QPainter& painter, const QRect& rect, int index, const QColor& background) const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(quint64 portMask);
    void FormShow();
    void FormClose();
    void OKBtnClick();
    void cbPortChange();
    // ComPort2 lets go of the port for the adapter test and takes it back when its window closes.
    void bAdapterTestClick();
    void adapterTestClosed();
    void ComPortStatus(TComPort* Sender);
    void ComPort2Open(TComPort* Sender);
    void ComPort2Close(TComPort* Sender);
    // True when the key is a typed character the length fields do not take.
    bool sfeLenKeyPress(const QKeyEvent& key) const;

    void layOut();
    void fillPortList(quint64 portMask);
    void fillMonitorList();
    void showPicture(int row, int entry);

    Settings m_filled; // what the dialog was filled from
    const CfgDialogLinks m_links;
    quint64 m_portMask;
    TComPort* const m_comPort2;
    std::array<QPixmap, 3> m_linePictures;
};
