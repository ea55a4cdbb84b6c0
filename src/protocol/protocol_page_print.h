#pragma once

#include <QString>

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
