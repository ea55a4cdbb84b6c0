// The protocol as a word-processor document: Ctrl+W and its button write it under a
// dated name and open it, the save dialog's document type writes it under the chosen
// name. The document itself is built in protocol/.

#include "app/form_main.h"

#include "app/form_main_commands.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "protocol/protocol_document.h"
#include "protocol/protocol_file_names.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

namespace {

// The busy cursor for as long as the document is written, also when writing fails.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void TFormMain::setupProtocolDocument() {
    FormMainCommands& c = *m_commands;
    connect(c.Word1, &QAction::triggered, this, &TFormMain::sbWordClick);
    connect(m_ui.sbWord, &TLbSpeedButton::OnClick, this, [&c] { FormMainCommands::clickItem(c.Word1); });
}

bool TFormMain::exportProtocolWord(DocumentMode Mode, const QString& FileName) {
    return exportProtocolDocument(Mode, FileName, TargetLinks::Follow);
}

bool TFormMain::exportProtocolDocument(DocumentMode Mode, const QString& FileName, TargetLinks links) {
    const QString fileName = FileName.contains(u'/') ? FileName : QDir(m_names.programFolder).filePath(FileName);
    bool written = false;
    bool templateUsed = false;
    QString reason;
    // The template is looked for each time, so one put beside the program is used at once.
    const QString templateFile = QFileInfo(m_files.wordTemplate).isFile() ? m_files.wordTemplate : QString();
    {
        const BusyCursor busy;
        written = saveProtocolDocument(m_ui.SortGrid1->gridData(), m_settings.Title, fileName, templateFile, &reason,
                                       links, &templateUsed);
    }
    if (!written) {
        QMessageBox::critical(this, m_names.baseName,
                              QStringLiteral("Der Schreibfehler der Datei: ") + fileName + u'\n' + reason);
        return false;
    }
    // The document is there, only plainer than the official expects: say why.
    if (!templateFile.isEmpty() && !templateUsed)
        QMessageBox::warning(this, m_names.baseName,
                             QStringLiteral("Die Vorlage ist beschädigt und wurde nicht verwendet: ") + templateFile +
                                 QStringLiteral("\nDas Protokoll steht in einem einfachen Dokument."));
    if (Mode == DocumentMode::Open && m_environment.openUrl)
        m_environment.openUrl(QUrl::fromLocalFile(fileName));
    return true;
}

void TFormMain::sbWordClick() {
    // Beside the program, in the documents folder when the program folder is read-only:
    // the official must find it again.
    const QString folder = userFilesFolder(m_names.programFolder, m_environment.documentsFolder);
    const QDateTime now = localNow();
    // A document of the same minute stays; the name is the program's own, so a link is refused.
    exportProtocolDocument(DocumentMode::Open,
                           unusedFileName(QDir(folder).filePath(dateStampName(now)), QStringLiteral(".docx")),
                           TargetLinks::Refuse);
}
