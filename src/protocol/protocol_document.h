// The protocol as a word-processing document (Office Open XML, .docx): the event title,
// an empty paragraph, then the protocol as a bordered table whose first row repeats on
// every page. A template document, when given and usable, is the starting point: its
// styles, headers, footers, page setup and body text are kept and the title and table
// go in at the top of its body. GUI thread, like the grid; the file operations block.

#pragma once

#include "protocol/atomic_file_writer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class SortGridData;

// Every row of the grid, the header row first, with the cells of the columns whose
// width is not negative (a hidden "Platz" column has a negative width).
QList<QStringList> protocolDocumentRows(const SortGridData& grid);

// The package's bytes; empty when the package could not be built. An empty or
// unusable templateFile (missing, not a zip, no readable main document, entries of one
// name twice) gives a plain document; templateUsed, when given, tells which it was.
QByteArray protocolDocumentBytes(const QString& title, const QList<QStringList>& rows, const QString& templateFile = {},
                                 bool* templateUsed = nullptr);

// Writes the document through a temporary file renamed over fileName, so a failed
// write leaves an old file as it was. Returns false on failure, with the reason in
// errorText when given.
[[nodiscard]] bool saveProtocolDocument(const SortGridData& grid, const QString& title, const QString& fileName,
                                        const QString& templateFile = {}, QString* errorText = nullptr,
                                        TargetLinks links = TargetLinks::Follow, bool* templateUsed = nullptr);
