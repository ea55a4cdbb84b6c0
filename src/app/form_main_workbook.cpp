// The protocol as a spreadsheet workbook: saved and loaded through the file dialogs,
// and handed to the desktop's spreadsheet program (Ctrl+E).

#include "app/form_main.h"

#include "app/form_main_commands.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "monitor/form_monitor2.h"
#include "protocol/protocol_file_names.h"
#include "protocol/protocol_table.h"
#include "protocol/protocol_workbook.h"
#include "protocol/workbook_reader.h"
#include "run/run_controller.h"
#include "standings/standings_sheet.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

void TFormMain::setupWorkbook() {
    FormMainCommands& c = *m_commands;
    c.EXcel1->setEnabled(true);
    connect(c.EXcel1, &QAction::triggered, this, &TFormMain::sbExcelClick);
    connect(m_ui.sbExcel, &TLbSpeedButton::OnClick, this, [&c] { FormMainCommands::clickItem(c.EXcel1); });
}

bool TFormMain::saveProtocolXls(const QString& FileName) {
    WorkbookProperties properties;
    properties.author = m_ui.StatusBar1->panelText(1);
    properties.title = m_settings.Title;
    properties.subject = m_names.baseName;
    properties.sheetName = m_names.baseName;
    QString reason;
    const SortGridData& grid = m_ui.SortGrid1->gridData();
    if (saveProtocolWorkbook(grid, FileName, properties, &reason, {standingsSheet(grid, m_settings.Wertung)})) {
        journalFileWritten(JournalKind::Saved, QStringLiteral("Arbeitsmappe"), FileName);
        return true;
    }
    QMessageBox::critical(this, m_names.baseName,
                          QStringLiteral("Der Schreibfehler der Datei: ") + FileName + u'\n' + reason);
    return false;
}

bool TFormMain::loadProtocolXls(const QString& FileName) {
    SortGridData& grid = m_ui.SortGrid1->gridData();
    // Read whole before the table changes, so a refused file leaves it as it was.
    const WorkbookRows read = readWorkbookRows(FileName, grid.ColCount(), grid.locale());
    if (!read.ok()) {
        QMessageBox::critical(this, m_names.baseName,
                              QStringLiteral("Die Datei ist kein Zeitenprotokoll: ") + FileName + u'\n' + read.error);
        return false;
    }
    if (!setProtocolRowsFromWorkbook(grid, read.rows)) {
        QMessageBox::critical(this, m_names.baseName,
                              QStringLiteral("Die Datei ist kein Zeitenprotokoll: ") + FileName +
                                  QStringLiteral("\nDie Tabelle wäre größer, als die Sicherungsdatei fassen kann."));
        return false;
    }
    updateProtocolButtons();
    // The spectators see the start numbers again as when their window is shown.
    if (m_later.monitor)
        m_later.monitor->FormShow();
    return true;
}

void TFormMain::sbExcelClick() {
    // The dated name is easy to guess, so it goes into a folder only this user can enter,
    // made fresh once per program run: nobody can plant a link under it.
    if (m_exportFolder.isEmpty() || !QFileInfo(m_exportFolder).isDir()) {
        QString parent = m_environment.exportFolder;
        if (parent.isEmpty())
            parent = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (parent.isEmpty() || (parent != m_environment.exportFolder && !QFileInfo(parent).isDir()))
            parent = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
        m_exportFolder = createPrivateFolder(parent, m_names.baseName);
    }
    const QDateTime now = localNow();
    // Every export gets a name of its own: the spreadsheet program may still show the last one.
    const QString fileName = unusedFileName(QDir(m_exportFolder).filePath(m_names.baseName + u'-' + dateStampName(now)),
                                            QStringLiteral(".xlsx"));

    QString reason;
    const SortGridData& grid = m_ui.SortGrid1->gridData();
    if (m_exportFolder.isEmpty() ||
        !saveSpreadsheetExport(grid, fileName, m_names.baseName, &reason, TargetLinks::Refuse,
                               {standingsSheet(grid, m_settings.Wertung)})) {
        QMessageBox::critical(this, m_names.baseName,
                              QStringLiteral("Der Schreibfehler der Datei: ") + fileName + u'\n' + reason);
        return;
    }
    journalFileWritten(JournalKind::Exported, QStringLiteral("Tabellenkalkulation"), fileName);
    // Without a spreadsheet program the official is told where the workbook lies.
    if (m_environment.openUrl)
        m_environment.openUrl(QUrl::fromLocalFile(fileName));
}
