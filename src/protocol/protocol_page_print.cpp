// Prints the protocol's web page through QTextDocument, with times and ranks kept on
// one line as a browser shows them.

#include "protocol/protocol_page_print.h"

#include "protocol/protocol_html.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace {

// Rich text breaks lines inside "1.02.345" and "Platz" where a browser widens the column
// instead; table cells without a blank are kept on one line, so a time is never split.
void keepWordsWhole(QTextDocument& page) {
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        if (!cursor.currentTable() || block.text().trimmed().contains(u' '))
            continue;
        QTextBlockFormat format = block.blockFormat();
        format.setNonBreakableLines(true);
        cursor.setBlockFormat(format);
    }
}

} // namespace

void printProtocolPage(QWidget* parent, const QString& pageFile, const QString& caption) {
    QFile file(pageFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return;
    file.close();
    printHtmlPage(parent, decodeProtocolHtml(bytes), QFileInfo(pageFile).fileName(), caption);
}

bool printHtmlTo(QPrinter& printer, const QString& pageText) {
    QTextDocument page;
    page.setHtml(pageText);
    keepWordsWhole(page);
    page.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

void printHtmlPage(QWidget* parent, const QString& pageText, const QString& docName, const QString& caption) {
    QPrinter printer(QPrinter::HighResolution);
    // The dialog proposes "<page>.pdf" when it prints to a file.
    printer.setDocName(docName);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!printHtmlTo(printer, pageText) && printer.outputFormat() == QPrinter::PdfFormat)
        QMessageBox::critical(parent, caption,
                              QStringLiteral("Der Schreibfehler der Datei: ") + printer.outputFileName());
}
