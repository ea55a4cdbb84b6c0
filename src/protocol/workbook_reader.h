// Reads the first sheet of a workbook as text rows: Office Open XML (.xlsx) through
// libzip and QXmlStreamReader, the legacy binary format (.xls) through freexl. Built
// for files from anywhere: every read is capped, so a damaged or hostile file is
// refused instead of filling the memory. Pure functions, any thread.

#pragma once

#include <chrono>
#include <functional>

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

struct WorkbookLimits {
    qint64 fileBytes = 64 * 1024 * 1024;     // the workbook file itself
    qint64 unpackedBytes = 64 * 1024 * 1024; // all parts read from the zip together
    int rows = 100000;                       // data rows
    int cellChars = 32767;                   // the spreadsheet programs' own cell limit
    int sharedStrings = 1000000;
    // All kept texts together. Shared strings let a small file repeat one long text in
    // every cell; the table read must still fit a backup the text reader accepts.
    qint64 totalChars = 16 * 1024 * 1024;
};

struct WorkbookRows {
    // The sheet's first row (the header), then every later row whose first cell ("Nr.")
    // is not empty, down to the last row of the sheet; rows without a start number are
    // left out, as the text file leaves them out. Each has exactly the requested number
    // of columns. Numbers are texts in the given locale ("8,5" in German), dates and
    // times the text their cell format shows, booleans "True"/"False". A sheet without
    // a data row is refused.
    QList<QStringList> rows;
    // Empty when the sheet was read; else why it was not, in German for the message.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// .xlsx from its bytes.
WorkbookRows readXlsxRows(const QByteArray& bytes, int columns, const QLocale& locale,
                          const WorkbookLimits& limits = {});

// .xls from a file (freexl reads only files).
WorkbookRows readXlsRows(const QString& fileName, int columns, const QLocale& locale,
                         const WorkbookLimits& limits = {});

// Either format, told apart by the file's first bytes, not by its name. Only plain files:
// a pipe or a device is refused without being opened.
WorkbookRows readWorkbookRows(const QString& fileName, int columns, const QLocale& locale,
                              const WorkbookLimits& limits = {});

// A number cell's text as the platform's variant-to-text conversion gives it: up to 15
// significant digits, the locale's decimal separator, no group separators.
QString workbookNumberText(double value, const QLocale& locale);

// Runs `work` in a child process, so that a library fault while reading cannot harm this
// one, and returns its rows. A child that dies, fails, stays silent for `deadline` or
// answers more than `answerLimit` bytes gives no rows and the error `failed`.
WorkbookRows readInChildProcess(const std::function<WorkbookRows()>& work, std::chrono::milliseconds deadline,
                                qint64 answerLimit, const QString& failed);
