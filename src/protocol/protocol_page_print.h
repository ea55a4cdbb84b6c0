// Prints the protocol as the saved web page shows it, same rows, order and texts.

#pragma once

#include <QString>

class QPrinter;
class QWidget;

// Prints a protocol page as written by saveProtocolHtml: the page is laid out as rich
// text, so the printout holds the same rows in the same order with the same texts as
// the page the browser shows. GUI thread only.
//
// Shows the print dialog (its printers always include printing to a PDF file) and
// prints when it is confirmed. A page that cannot be read is not printed and not
// reported, like any failure of the desktop's printing. A PDF file that cannot be
// written is reported with the program's write error, titled caption.
void printProtocolPage(QWidget* parent, const QString& pageFile, const QString& caption);

// The same print path for a page already in memory: docName is what a PDF file is proposed as.
void printHtmlPage(QWidget* parent, const QString& pageText, const QString& docName, const QString& caption);

// Lays pageText out as the print path does and prints it on printer, without a dialog; false when
// the printer failed.
bool printHtmlTo(QPrinter& printer, const QString& pageText);
