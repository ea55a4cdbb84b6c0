// The protocol as a web page seen from the main window: written from the save dialog,
// or under the program's own name and then opened in the browser or printed.

#include "app/form_main.h"

#include "app/form_main_commands.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "protocol/protocol_html.h"
#include "protocol/protocol_page_print.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

void TFormMain::setupProtocolPage() {
    FormMainCommands& c = *m_commands;
    connect(c.Html1, &QAction::triggered, this, [this, &c] { sbInetClick(PageAction(c.Html1->data().toInt())); });
    connect(c.Print1, &QAction::triggered, this, [this, &c] { sbInetClick(PageAction(c.Print1->data().toInt())); });
    connect(m_ui.sbInet, &TLbSpeedButton::OnClick, this, [&c] { FormMainCommands::clickItem(c.Html1); });
    connect(m_ui.sbPrint, &TLbSpeedButton::OnClick, this, [&c] { FormMainCommands::clickItem(c.Print1); });
}

QString TFormMain::protocolPageFile() const {
    return QDir(m_environment.currentFolder).absoluteFilePath(m_names.baseName + QStringLiteral(".html"));
}

bool TFormMain::writeProtocolHtml(const QString& FileName, TargetLinks links) {
    QString reason;
    if (saveProtocolHtml(m_ui.SortGrid1->gridData(), m_names.baseName, FileName, &reason, links))
        return true;
    QMessageBox::critical(this, m_names.baseName,
                          QStringLiteral("Der Schreibfehler der Datei: ") + FileName + u'\n' + reason);
    return false;
}

void TFormMain::sbInetClick(PageAction Tag) {
    const QString page = protocolPageFile();
    // The name is the program's own, in whatever folder the program was started from: a
    // link planted under it is refused, and so is opening what it points to.
    writeProtocolHtml(page, TargetLinks::Refuse);
    // An older page still serves when this one could not be written.
    if (QFileInfo(page).isSymLink() || !QFileInfo(page).isFile())
        return;
    switch (Tag) {
    case PageAction::Open:
        if (m_environment.openUrl)
            m_environment.openUrl(QUrl::fromLocalFile(page));
        break;
    case PageAction::Print:
        printProtocolPage(this, page, m_names.baseName);
        break;
    }
}
