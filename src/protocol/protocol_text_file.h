// The protocol table as a text file (also the backup file) and back. GUI thread,
// like the grid; the file operations block while they run.
//
// Format: the program's header line first (whatever row 0 shows), then one line per
// data row whose "Nr." is not empty, in table order; every cell of every column
// (hidden ones too) followed by a TAB, an empty cell as a single blank, CR LF at the
// end. Written in Windows-1252 when every character fits, else UTF-8 with a byte
// order mark. Lines separated by ";" are read as well.

#pragma once

#include "protocol/atomic_file_writer.h"
#include "protocol/protocol_row_rules.h"

#include <QByteArray>
#include <QString>

class SortGridData;

// The file's bytes for the grid's current rows.
QByteArray protocolTextBytes(const SortGridData& grid);
// The same for data rows taken out of a table of colCount columns (row 0 not among them).
QByteArray protocolTextBytes(const QList<QStringList>& dataRows, int colCount);

// Writes the file through a temporary file renamed over fileName, so a failed write
// leaves the old file as it was. Returns false on failure, with the system's reason
// in errorText when given; the window then shows its write error for a user's save.
[[nodiscard]] bool saveProtocolText(const SortGridData& grid, const QString& fileName, QString* errorText = nullptr,
                                    TargetLinks links = TargetLinks::Follow);

// A real protocol of 10,000 rows is under 1 MiB; anything far larger is some other file.
inline constexpr qint64 maxProtocolFileBytes = 16 * 1024 * 1024;
// Every line becomes a table row, which costs far more than a short line's bytes: a file
// of blank lines would otherwise take gigabytes.
inline constexpr qsizetype maxProtocolRows = 200000;

// Whether a table with these data rows (cells in column order, at most colCount used)
// gives a backup that the text reader accepts again: at most maxProtocolRows rows and
// maxProtocolFileBytes bytes once written. Every loader refuses a table that does not.
bool rowsFitBackup(const QList<QStringList>& dataRows, int colCount);

// Replaces the data rows by the rows of a file's bytes: header lines (first field
// containing "Nr.") are dropped, every other line, an empty one too, becomes a row;
// at most ColCount fields per line, an empty field as a single blank. Row 0 stays.
// Neither sorts nor ranks. Returns false, leaving the table as it was, for bytes that
// are no protocol: more than maxProtocolFileBytes, a NUL character in the decoded
// text, more than maxProtocolRows rows, or rows whose backup would not fit
// (rowsFitBackup).
bool setProtocolRowsFromText(SortGridData& grid, QByteArray bytes);

struct ProtocolLoadResult {
    // False when the file could not be opened or read; the table is then unchanged
    // and nothing else in this result applies.
    bool loaded = false;
    // The file was there but is no protocol (not a plain file, or refused as
    // setProtocolRowsFromText says); the table is unchanged. False when it could not be
    // opened or read at all.
    bool refused = false;
    // For the start-number fields, from rows 1 and 2 after ranking.
    StartNumbers startNumbers;
};

// Reads fileName into the table (setProtocolRowsFromText), reading no more than the
// size limit allows, then ranks it with
// rankProtocol(grid, platzOn, startNumberText), where startNumberText is the
// start-number field's text before the load. The caller applies the result to the
// buttons and the start-number fields.
ProtocolLoadResult loadProtocolText(SortGridData& grid, const QString& fileName, bool platzOn,
                                    const QString& startNumberText);
