// The protocol's files seen from the main window: the backup read at start and
// written after every finish, accident and at the end, and the save and open
// dialogs with their file types.

#include "app/form_main.h"

#include "app/file_dialogs.h"
#include "app/form_main_commands.h"
#include "app/offered_filters.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "protocol/protocol_file_names.h"
#include "protocol/protocol_text_file.h"
#include "run/run_controller.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

namespace {

// The file types whose routes are built, by their index in the dialog's full filter
// (1 text, 2 workbook, 3 word-processor document, 4 web page). Only these are offered.
const QList<int> savableTypes{1, 2, 3, 4};
const QList<int> openableTypes{1, 2};

QString folderOf(const QString& filePath) {
    QString folder = QFileInfo(filePath).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

void TFormMain::setupProtocolFiles() {
    // Decided once: an existing backup is read wherever it lies and written there when its
    // folder allows. Without a writable program folder and without a data folder there is
    // no place for one.
    const BackupFiles backup = backupFiles(m_names.programFolder, m_names.baseName, m_environment.dataFolder);
    m_backupSource = backup.readFrom;
    m_backupFile = backup.writeTo;

    m_fileDialogs = m_environment.fileDialogs ? m_environment.fileDialogs : std::make_shared<QtFileDialogs>();

    FormMainCommands& c = *m_commands;
    connect(c.Save1, &QAction::triggered, this, &TFormMain::sbSaveClick);
    connect(c.Open1, &QAction::triggered, this, &TFormMain::sbLoadClick);
    connect(m_ui.sbSave, &TLbSpeedButton::OnClick, this, [&c] { FormMainCommands::clickItem(c.Save1); });
    connect(m_ui.sbLoad, &TLbSpeedButton::OnClick, this, [&c] { FormMainCommands::clickItem(c.Open1); });
    setupProtocolPage();
}

void TFormMain::loadBackupProtocol() {
    // A missing backup leaves the empty protocol, without a message.
    if (m_backupSource.isEmpty())
        return;
    const ProtocolLoadResult result = loadProtocolText(m_ui.SortGrid1->gridData(), m_backupSource,
                                                       m_controller->cbPlatzOn(), m_controller->startNumberText());
    applyProtocolLoad(result);
    if (result.loaded || m_backupSource != m_backupFile)
        return;
    // A backup that cannot be used may still hold the last event's results; the first
    // finish would write over it.
    const QDateTime now = localNow();
    QString text;
    if (const std::optional<QString> movedTo = moveAside(m_backupSource, now)) {
        // It lies beside the backup; the name is what fits the panel, the hint has the folder.
        text = QStringLiteral("Sicherung unbrauchbar, umbenannt: ") + QFileInfo(*movedTo).fileName();
        m_ui.StatusBar1->panel(2)->setToolTip(*movedTo);
    } else {
        m_backupFile.clear();
        text = QStringLiteral("Sicherung unbrauchbar, wird nicht überschrieben: ") + m_backupSource;
    }
    m_ui.StatusBar1->setPanelText(2, text);
}

void TFormMain::saveBackupProtocol() {
    // A backup that cannot be written is not reported: nobody could act on it mid-race.
    if (!m_backupFile.isEmpty())
        (void)saveProtocolText(m_ui.SortGrid1->gridData(), m_backupFile);
}

void TFormMain::applyProtocolLoad(const ProtocolLoadResult& result) {
    if (!result.loaded)
        return;
    updateProtocolButtons();
    scrollToCurrentRow();
    // A run in progress keeps the number it started under; only the fields change.
    if (result.startNumbers.startNumber) {
        m_controller->setEditStartN1(*result.startNumbers.startNumber);
        if (result.startNumbers.nextStarter)
            m_controller->setEditStartN2(*result.startNumbers.nextStarter);
    }
}

void TFormMain::sbSaveClick() {
    const QDateTime now = localNow();
    m_saveDialog.FileName = dateStampName(now);
    const OfferedFilters types = offeredFilters(m_saveDialog.Filter, savableTypes);
    const FileDialogRequest request{m_saveDialog.InitialDir, m_saveDialog.FileName, types.nameFilters,
                                    types.nameFilterFor(m_saveDialog.FilterIndex), m_saveDialog.DefaultExt};
    const std::optional<FileDialogAnswer> answer = m_fileDialogs->save(this, request);
    if (!answer || answer->filePath.isEmpty())
        return;

    m_saveDialog.FileName = answer->filePath;
    if (const int index = types.filterIndexOf(answer->nameFilter); index > 0)
        m_saveDialog.FilterIndex = index;
    // The next dialogs start where the user saved.
    m_saveDialog.InitialDir = folderOf(answer->filePath);
    m_openDialog.InitialDir = m_saveDialog.InitialDir;

    // Any other index writes the text file.
    switch (m_saveDialog.FilterIndex) {
    case fileTypeWorkbook:
        (void)saveProtocolXls(answer->filePath);
        break;
    case fileTypeDocument:
        exportProtocolWord(DocumentMode::SaveOnly, answer->filePath);
        break;
    case fileTypeWebPage:
        writeProtocolHtml(answer->filePath);
        break;
    default:
        if (!saveProtocolText(m_ui.SortGrid1->gridData(), answer->filePath))
            QMessageBox::critical(this, m_names.baseName,
                                  QStringLiteral("Der Schreibfehler der Datei: ") + answer->filePath);
        break;
    }
}

void TFormMain::sbLoadClick() {
    const OfferedFilters types = offeredFilters(m_openDialog.Filter, openableTypes);
    const FileDialogRequest request{m_openDialog.InitialDir, QString(), types.nameFilters,
                                    types.nameFilterFor(m_openDialog.FilterIndex), m_openDialog.DefaultExt};
    const std::optional<FileDialogAnswer> answer = m_fileDialogs->open(this, request);
    SortGridData& grid = m_ui.SortGrid1->gridData();
    bool refused = false;
    if (answer && !answer->filePath.isEmpty()) {
        m_openDialog.FileName = answer->filePath;
        m_openDialog.InitialDir = folderOf(answer->filePath);
        const int index = types.filterIndexOf(answer->nameFilter);
        if (index > 0)
            m_openDialog.FilterIndex = index;
        // A file that cannot be read leaves the table as it was.
        if (index == fileTypeText) {
            const ProtocolLoadResult result =
                loadProtocolText(grid, answer->filePath, m_controller->cbPlatzOn(), m_controller->startNumberText());
            if (result.refused)
                QMessageBox::critical(this, m_names.baseName,
                                      QStringLiteral("Die Datei ist kein Zeitenprotokoll: ") + answer->filePath);
            applyProtocolLoad(result);
        } else if (index == fileTypeWorkbook)
            refused = !loadProtocolXls(answer->filePath);
    }
    // Also after a cancel, the official starts reading from the top; a refused workbook
    // leaves the table and its current row as they were.
    if (refused)
        return;
    grid.setRow(1);
    grid.selectRow(1);
    scrollToCurrentRow();
}
