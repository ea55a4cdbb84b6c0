// The protocol table as a static web page, the one that is saved, opened in the browser
// and printed. GUI thread, like the grid; the file operations block while they run.
//
// The page lists the header row and every data row in table order, the visible
// columns only (width greater than zero), with the first comma of each cell turned
// into a point. Cell texts and the title are escaped, so a name can never become
// markup. Lines end with CR LF.

#pragma once

#include "protocol/atomic_file_writer.h"

#include <QByteArray>
#include <QString>

#include <functional>

class SortGridData;

// The page's text for the grid's current rows, declaring charset (such as "iso-8859-1").
QString protocolHtmlText(const SortGridData& grid, const QString& title, const QString& charset);

// The page's bytes: Windows-1252, declared as iso-8859-1 (which browsers read as
// Windows-1252), when every character fits; otherwise UTF-8, declared as utf-8.
QByteArray protocolHtmlBytes(const SortGridData& grid, const QString& title);

// The bytes of any page of the program, by the rule of protocolHtmlBytes: pageText gives the
// page declaring the charset it is called with.
QByteArray htmlPageBytes(const std::function<QString(const QString& charset)>& pageText);

// The page's charset declaration line, "<META http-equiv=Content-Type ...>" and CR LF.
QString htmlContentTypeLine(const QString& charset);

// The text of a page written by htmlPageBytes, read by its declared charset.
QString decodeProtocolHtml(const QByteArray& bytes);

// Writes the page through a temporary file renamed over fileName, so a failed write
// leaves an older page as it was. Returns false on failure, with the system's reason in
// errorText when given.
[[nodiscard]] bool saveProtocolHtml(const SortGridData& grid, const QString& title, const QString& fileName,
                                    QString* errorText = nullptr, TargetLinks links = TargetLinks::Follow);
