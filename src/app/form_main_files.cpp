// The protocol's files seen from the main window: the backup read at start and
// written after every change of the table (at once or soon) and at the end, and the save and open
// dialogs with their file types.

#include "app/form_main.h"

#include "app/file_dialogs.h"
#include "app/form_main_commands.h"
#include "app/offered_filters.h"
#include "app/status_line.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "protocol/backup_schedule.h"
#include "protocol/backup_writer.h"
#include "protocol/protocol_file_names.h"
#include "protocol/protocol_row_rules.h"
#include "protocol/protocol_text_file.h"
#include "run/run_controller.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// The file types whose routes are built, by their index in the dialog's full filter
// (save: 1 text, 2 workbook, 3 word-processor document, 4 web page; open: 1 text, 2 workbook,
// 3 every file). Only these are offered.
const QList<int> savableTypes{1, 2, 3, 4};
const QList<int> openableTypes{1, 2, 3};

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
    // Someone else's link at the backup's place is neither read nor written.
    if (QFileInfo(m_backupFile).isSymLink() || QFileInfo(m_backupSource).isSymLink()) {
        showBackupState(false, QStringLiteral("Die Datei ist ein symbolischer Verweis und wird nicht überschrieben."));
        return;
    }
    if (m_backupSource.isEmpty())
        return;
    const ProtocolLoadResult result = loadProtocolText(m_ui.SortGrid1->gridData(), m_backupSource,
                                                       m_controller->cbPlatzOn(), m_controller->startNumberText());
    applyProtocolLoad(result);
    // After a restart the next car is the one F9 would choose, not row 1's, who ran already.
    if (result.loaded && protocolButtonsEnabled(m_ui.SortGrid1->gridData()))
        m_controller->pickNextStarter();
    if (result.loaded || m_backupSource != m_backupFile)
        return;
    // A backup that cannot be used may still hold the last event's results; the first
    // finish would write over it.
    const QDateTime now = localNow();
    if (const std::optional<QString> movedTo = moveAside(m_backupSource, now)) {
        // It lies beside the backup; the name is what fits the panel, the hint has the folder.
        m_statusLine->setStanding(StatusLine::Source::Backup,
                                  QStringLiteral("Sicherung unbrauchbar, umbenannt: ") + QFileInfo(*movedTo).fileName(),
                                  *movedTo);
    } else {
        m_backupFile.clear();
        m_statusLine->setStanding(StatusLine::Source::Backup,
                                  QStringLiteral("Sicherung unbrauchbar, wird nicht überschrieben: ") + m_backupSource);
    }
}

void TFormMain::saveBackupProtocol() {
    // This write carries every change made so far.
    if (m_backupSchedule)
        m_backupSchedule->cancel();
    if (m_backupFile.isEmpty())
        return;
    if (!m_backupWriter) {
        m_backupWriter = new BackupWriter(this);
        connect(m_backupWriter, &BackupWriter::finished, this, [this](bool written, const QString& reason) {
            showBackupState(written, reason);
            emit backupWritten(written);
        });
    }
    // A copy of the rows now (the cells' texts are shared, not copied); the bytes and the
    // disk's part on the writer's thread, so that neither a large table nor a slow stick
    // freezes the window after a finish. The name is the program's own: a link there is
    // refused, never followed.
    const SortGridData& grid = m_ui.SortGrid1->gridData();
    QList<QStringList> rows;
    rows.reserve(grid.RowCount() - 1);
    for (int row = 1; row < grid.RowCount(); ++row)
        rows.append(grid.rowCells(row));
    m_backupWriter->write(
        m_backupFile, [rows = std::move(rows), columns = grid.ColCount()] { return protocolTextBytes(rows, columns); });
}

bool TFormMain::waitForBackup(int msecs) {
    return !m_backupWriter || m_backupWriter->waitForWritten(msecs);
}

void TFormMain::showBackupState(bool written, const QString& reason) {
    if (written == !m_backupFailed)
        return;
    m_backupFailed = !written;
    // A pulled USB stick must not go unnoticed all event; no message box in the way of the run.
    m_statusLine->setStanding(StatusLine::Source::BackupWrite,
                              written ? QString() : QStringLiteral("Sicherung nicht geschrieben: ") + reason,
                              written ? QString() : m_backupFile + u'\n' + reason);
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

    // The typed extension decides over the selected type; any other type writes the text file.
    bool saved = false;
    switch (savedTypeOf(answer->filePath, m_saveDialog.FilterIndex)) {
    case fileTypeWorkbook:
        saved = saveProtocolXls(answer->filePath);
        break;
    case fileTypeDocument:
        saved = exportProtocolWord(DocumentMode::SaveOnly, answer->filePath);
        break;
    case fileTypeWebPage:
        saved = writeProtocolHtml(answer->filePath);
        break;
    default:
        saved = saveProtocolText(m_ui.SortGrid1->gridData(), answer->filePath);
        if (saved)
            journalFileWritten(JournalKind::Saved, QStringLiteral("Text"), answer->filePath);
        else
            QMessageBox::critical(this, m_names.baseName,
                                  QStringLiteral("Der Schreibfehler der Datei: ") + answer->filePath);
        break;
    }
    if (saved)
        m_statusLine->showNote(QStringLiteral("Gespeichert: ") + QFileInfo(answer->filePath).fileName(),
                               answer->filePath);
}

void TFormMain::sbLoadClick() {
    // A load replaces the table: timed runs not yet saved would be gone.
    if (hasTimedRuns(m_ui.SortGrid1->gridData()) &&
        !askYesNo(QStringLiteral("Protokoll mit gemessenen Läufen durch eine Datei ersetzen?"), true))
        return;
    const OfferedFilters types = offeredFilters(m_openDialog.Filter, openableTypes);
    const FileDialogRequest request{m_openDialog.InitialDir, QString(), types.nameFilters,
                                    types.nameFilterFor(m_openDialog.FilterIndex), m_openDialog.DefaultExt};
    const std::optional<FileDialogAnswer> answer = m_fileDialogs->open(this, request);
    SortGridData& grid = m_ui.SortGrid1->gridData();
    bool refused = false;
    const ProtocolRows before = protocolSnapshot();
    if (answer && !answer->filePath.isEmpty()) {
        m_openDialog.FileName = answer->filePath;
        m_openDialog.InitialDir = folderOf(answer->filePath);
        const int index = types.filterIndexOf(answer->nameFilter);
        if (index > 0)
            m_openDialog.FilterIndex = index;
        // A file that cannot be read leaves the table as it was. Its extension says what it
        // is, whichever type the dialog showed.
        if (!isWorkbookFile(answer->filePath)) {
            const ProtocolLoadResult result =
                loadProtocolText(grid, answer->filePath, m_controller->cbPlatzOn(), m_controller->startNumberText());
            if (result.refused)
                QMessageBox::critical(this, m_names.baseName,
                                      QStringLiteral("Die Datei ist kein Zeitenprotokoll: ") + answer->filePath);
            else if (!result.loaded)
                QMessageBox::critical(this, m_names.baseName,
                                      QStringLiteral("Die Datei kann nicht geöffnet werden: ") + answer->filePath);
            applyProtocolLoad(result);
            if (result.loaded)
                journalProtocolReplaced(JournalKind::Loaded,
                                        {{QStringLiteral("file"), answer->filePath}, {QStringLiteral("type"), "Text"}},
                                        before);
        } else {
            refused = !loadProtocolXls(answer->filePath);
            if (!refused)
                journalProtocolReplaced(
                    JournalKind::Loaded,
                    {{QStringLiteral("file"), answer->filePath}, {QStringLiteral("type"), "Arbeitsmappe"}}, before);
        }
    }
    // Also after a cancel, the official starts reading from the top; a refused workbook
    // leaves the table and its current row as they were.
    if (refused)
        return;
    grid.setRow(1);
    grid.selectRow(1);
    scrollToCurrentRow();
}
