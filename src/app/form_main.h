// The official's main window: the run's controls, the display, the protocol table and the
// status bar; it forwards keys and buttons to the run controller and renders its state.

#pragma once

#include "app/file_dialog_state.h"
#include "app/form_main_environment.h"
#include "app/form_main_ui.h"
#include "app/program_files.h"
#include "controls/sort_grid_format.h"
#include "journal/journal_entry.h"
#include "monitor/form_monitor2.h"
#include "platform/app_names.h"
#include "protocol/atomic_file_writer.h"
#include "run/hand_given_marks.h"
#include "run/track_state_text.h"
#include "settings/save_dialog_filter.h"
#include "settings/settings.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <memory>

class BackupSchedule;
class BackupWriter;
class BarrierPort;
class DisplayState;
class FileDialogs;
class FormMainCommands;
class Journal;
struct ReplacedState;
class TFormJournal;
class LiveServer;
class RunController;
class SimulatedBarrierBox;
class QAction;
class SoundPlayer;
class StandingsWindow;
class SplitWatch;
class StatusLine;
class TComPort;
class TCfgDialog;
struct CfgDialogLinks;
class TFDlgYesNo;
class TFormInfo;
class TFormMonitor2;
class THighResTimer;
struct ProtocolLoadResult;

// The official's main window: builds the controls, reads the settings and surveys
// the ports at creation, keeps the title bar's services (help, information, date,
// the maker's link), lays out the protocol columns on resizing, asks before closing
// and then writes the settings. The run logic lives in core; this window forwards
// keys and buttons to it and renders its state. GUI thread only.
class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int dateInterval = 5000;

    // What Ctrl+H and Ctrl+P do with the written page (their items' Tag).
    enum class PageAction { Open = 0, Print = 1 };
    // What the document export does once written: Ctrl+W opens it, the save dialog only saves.
    enum class DocumentMode { Open = 0, SaveOnly = 1 };

    explicit TFormMain(FormMainEnvironment environment, QWidget* parent = nullptr);
    ~TFormMain() override;

    // The windows the program creates after this one, in this order. Until they are
    // attached, every step that would use them is skipped.
    struct LaterWindows {
        TCfgDialog* cfgDialog = nullptr;
        TFDlgYesNo* yesNo = nullptr;
        TFormMonitor2* monitor = nullptr;
        TFormInfo* info = nullptr;
    };
    void attachLaterWindows(const LaterWindows& windows);

    // Makes `settings` the program's settings and applies every one of them: the run, the
    // port number, the sound, the spectator window, the table's layout and the live server.
    void applySettings(const Settings& settings);
    // The settings as they stand now, with the values that live in their controls
    // ("Param2" in the run, "FilterInd" in the save dialog, the window's bounds).
    Settings settings() const;
    // What the settings dialog needs of this window: the port's backends and the port,
    // the monitors, the port survey.
    CfgDialogLinks cfgDialogLinks() const;
    // F2 and the gear button: fills the settings dialog, shows it and applies what was confirmed.
    void bCFGClick();
    // Gives the spectator window the current "Title" and puts it on the monitor of the
    // current "Monitor" setting, at once also while it is shown.
    void monitorSettingsChanged();
    // Ctrl+T and the spectator pictures: closes the spectator window when it is shown,
    // else shows it.
    void Modus1Click();
    // What the spectator window reads from this window.
    MonitorHost monitorHost() const;

    const AppNames& names() const { return m_names; }
    const ProgramFiles& programFiles() const { return m_files; }
    quint64 portMask() const { return m_portMask; }
    const FileDialogState& SaveDialog1() const { return m_saveDialog; }
    const FileDialogState& OpenDialog1() const { return m_openDialog; }
    const FileTypeNames& fileTypeNames() const { return m_fileTypeNames; }
    THighResTimer& HighResTimer1() const { return *m_highResTimer; }
    SoundPlayer& sounds() const { return *m_sounds; }
    const FormMainUi& ui() const { return m_ui; }
    FormMainCommands& commands() const { return *m_commands; }
    QTimer& TimerDate() { return m_timerDate; }
    TComPort& ComPort() const;
    BarrierPort& barrierPort() const { return *m_barrierPort; }
    SimulatedBarrierBox& barrierBox() const;
    RunController& runController() const { return *m_controller; }
    // What both digit panels show.
    DisplayState& displayState() const { return *m_display; }
    // The live results on the local network (form_main_web.cpp).
    LiveServer& liveServer() const { return *m_liveServer; }
    // The "Wertung" window (form_main_standings.cpp) and Ctrl+G, which shows it.
    StandingsWindow& standingsWindow() const { return *m_standings; }
    QAction* standingsItem() const { return m_standingsItem; }
    // Starts, moves or stops the live results server as "WebOn" and "WebPort" say.
    void applyWebSettings();

    // Column widths and the status bar; also after a start and the settings dialog.
    void FormResize();
    // The protocol buttons follow the table: on while row 1 has a start number.
    void updateProtocolButtons();

    // The protocol table's handlers (form_main_protocol.cpp).
    void SortGrid1GetCellFormat(int Col, int Row, TGridDrawState State, TFormatOptions& FormatOptions, bool& CheckBox,
                                bool& Combobox, bool& Ellipsis);
    void SortGrid1SelectCell(int ACol, int ARow, bool& CanSelect);
    void SortGrid1DblClick();
    void Erase1Click();
    void PopupMenuProtokolPopup();
    void sbCLSClick();
    // Asks the yes/no dialog; false before it exists. defaultNo for questions whose yes
    // loses what cannot be got back.
    bool askYesNo(const QString& question, bool defaultNo);
    // After a correction of the official's: ranks, updates the buttons, writes the backup.
    void protocolCorrected();
    // The first status panel, the editing mode and the view follow the program's
    // selections too, not only the official's clicks.
    void protocolSelectionChanged();
    void scrollToCurrentRow();
    // Plays one of the four signal sounds without waiting; nothing when "Sound" is off
    // or the file was missing at start.
    void playSound(const QString& path);

    void TimerDateTimer();
    void bHelpClick();
    void bInfoClick();
    void openMakerSite();
    void FormCloseQuery(bool& CanClose);
    // The protocol's save and open dialogs (Ctrl+S, Ctrl+O and their buttons).
    void sbSaveClick();
    void sbLoadClick();
    // The protocol as a web page (form_main_html.cpp). Writes the page, or shows the write
    // error and returns false; an older page of that name is then left as it was.
    bool writeProtocolHtml(const QString& FileName, TargetLinks links = TargetLinks::Follow);
    // Writes the page under protocolPageFile() and opens it in the browser (Tag 0) or
    // prints it (Tag 1); an older page is opened or printed when the writing failed.
    void sbInetClick(PageAction Tag);
    // The title's name with ".html" in the current folder.
    QString protocolPageFile() const;
    // The protocol as a workbook (form_main_workbook.cpp): the save and open dialogs'
    // workbook type, with a message and false on failure (a failed load changes nothing),
    // and Ctrl+E, a new workbook opened in the desktop's spreadsheet program.
    bool saveProtocolXls(const QString& FileName);
    bool loadProtocolXls(const QString& FileName);
    void sbExcelClick();
    // The protocol as a word-processor document (form_main_document.cpp): writes FileName,
    // with the program folder in front when it has no folder, and opens it with
    // DocumentMode::Open (Ctrl+W gives the dated name). A failed write is reported
    // and returns false.
    bool exportProtocolWord(DocumentMode Mode, const QString& FileName);
    // The same, refusing a link at FileName when the program chose the name itself.
    bool exportProtocolDocument(DocumentMode Mode, const QString& FileName, TargetLinks links);
    void sbWordClick();
    // The backup file written, decided at start; empty when there is no place for it.
    const QString& backupFile() const { return m_backupFile; }
    // Blocks until the backup writes handed over so far have reached the disk, or msecs
    // have passed; true when nothing is left. The end of the program waits this way.
    bool waitForBackup(int msecs);

    // The event journal (form_main_journal.cpp); null when the environment gives it no file.
    Journal* journal() const { return m_journal.get(); }
    // Ctrl+J: the "Verlauf" window, outside a run only.
    void Verlauf1Click();
    TFormJournal* journalWindow() const { return m_journalWindow; }
    // Makes a replaced state the protocol after the yes/no question; false when not asked
    // (a run is under way, no dialog yet) or answered no.
    bool restoreProtocolState(const ReplacedState& state, const ProtocolRows& rows);

    // Ends the program as a confirmed close would, without asking: for the termination
    // signals. Safe to call more than once.
    void endWithoutQuestion();

    static QUrl makerSite();

signals:
    // The window has closed for good and written what it keeps; the program may end.
    void programEnded();
    // A backup write handed to the writer's thread has ended.
    void backupWritten(bool written);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // The local date and time, from the environment's clock when it has one.
    QDateTime localNow() const;
    void wireCommands();
    void wireProtocolTable();
    void createRunController();
    void wireRunController();
    void renderRunState();
    void renderDisplay();
    // The spectator window (form_main_monitor.cpp).
    void wireMonitor();
    MonitorLayoutSource monitorLayoutSource() const;
    void monitorShown();
    void placeWindow();
    int gridClientWidth() const;
    void loadTitlePicture();
    void setPicturesToStart();
    // The protocol's backup file is read at start and written after every finish,
    // accident, correction, load and clear, soon after any other change, and at the end.
    void loadBackupProtocol();
    void saveBackupProtocol();
    // Status panel 2 in red while the backup cannot be written, cleared by the next write that succeeds.
    void showBackupState(bool written, const QString& reason);
    void setupProtocolFiles();
    void setupProtocolPage();
    void setupWorkbook();
    void setupProtocolDocument();
    void applyProtocolLoad(const ProtocolLoadResult& result);
    void setupStandings();
    void setupLiveWeb();
    void scheduleLiveSnapshot();
    void publishLiveSnapshot();
    void liveWebFailed(const QString& message);
    // Status panel 2 (form_main_status.cpp).
    void wireStatusLine();
    void updateTrackState();
    void shutdown(bool askOnFailure);
    void setupJournal();
    void endJournal();
    // Nothing reports to the journal once it is gone.
    void detachJournal();
    ProtocolRows protocolSnapshot() const;
    // Records a clear, load or restore in the journal and writes the new table to the backup.
    void journalProtocolReplaced(JournalKind kind, const QJsonObject& detail, const ProtocolRows& before);
    void journalFileWritten(JournalKind kind, const QString& type, const QString& file);

    const FormMainEnvironment m_environment;
    AppNames m_names;
    ProgramFiles m_files;
    Settings m_settings;
    FileTypeNames m_fileTypeNames;
    FileDialogState m_saveDialog;
    FileDialogState m_openDialog;
    quint64 m_portMask = 0;
    std::unique_ptr<THighResTimer> m_highResTimer;
    std::unique_ptr<BarrierPort> m_barrierPort;
    DisplayState* m_display = nullptr;
    RunController* m_controller = nullptr;
    SoundPlayer* m_sounds = nullptr;
    FormMainUi m_ui;
    FormMainCommands* m_commands = nullptr;
    QTimer m_timerDate;
    std::array<QPixmap, 2> m_imageList1;
    std::array<QPixmap, 2> m_imageList2;
    LaterWindows m_later;
    bool m_ending = false; // closing without the question
    bool m_asking = false; // the close question is up
    bool m_shutDown = false;
    std::shared_ptr<FileDialogs> m_fileDialogs;
    QString m_backupFile;
    QString m_backupSource;                     // the backup read at start; empty when there was none
    bool m_backupFailed = false;                // status panel 2 says so until a write succeeds
    BackupWriter* m_backupWriter = nullptr;     // made at the first backup write
    BackupSchedule* m_backupSchedule = nullptr; // the write soon after a typed name and the like
    QString m_exportFolder;                     // Ctrl+E's private folder, made at the first export
    LiveServer* m_liveServer = nullptr;
    StandingsWindow* m_standings = nullptr;
    QAction* m_standingsItem = nullptr;
    StatusLine* m_statusLine = nullptr;
    SplitWatch* m_splitWatch = nullptr;
    AccidentWatch m_accidentWatch;
    HandGivenMarks m_handMarks; // runs with events given by hand, for the table's look
    QTimer m_liveSnapshotTimer; // one snapshot for a burst of changes
    std::unique_ptr<Journal> m_journal;
    TFormJournal* m_journalWindow = nullptr;
};
