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
    const SortGridData& grid = m_ui.SortGrid1->gridData();
    if (saveProtocolWorkbook(grid, FileName, properties, nullptr, {standingsSheet(grid, m_settings.Wertung)}))
        return true;
    QMessageBox::critical(this, m_names.baseName, QStringLiteral("Der Schreibfehler der Datei: ") + FileName);
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
    setProtocolRowsFromWorkbook(grid, read.rows);
    updateProtocolButtons();
    // The spectators see the start numbers again as when their window is shown.
    if (m_later.monitor)
        m_later.monitor->FormShow();
    return true;
}

void TFormMain::sbExcelClick() {
    QString folder = m_environment.exportFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    QDir().mkpath(folder);
    const QDateTime now = localNow();
    // Every export gets a name of its own: the spreadsheet program may still show the last one.
    const QString stem = QDir(folder).filePath(m_names.baseName + u'-' + dateStampName(now));
    QString fileName = stem + QStringLiteral(".xlsx");
    for (int n = 2; QFileInfo::exists(fileName); ++n)
        fileName = stem + u'-' + QString::number(n) + QStringLiteral(".xlsx");

    const SortGridData& grid = m_ui.SortGrid1->gridData();
    if (!saveSpreadsheetExport(grid, fileName, m_names.baseName, nullptr, {standingsSheet(grid, m_settings.Wertung)})) {
        QMessageBox::critical(this, m_names.baseName, QStringLiteral("Der Schreibfehler der Datei: ") + fileName);
        return;
    }
    // Without a spreadsheet program the desktop opens nothing, and nothing is said.
    if (m_environment.openUrl)
        m_environment.openUrl(QUrl::fromLocalFile(fileName));
}
