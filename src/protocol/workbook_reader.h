#pragma once

#include <chrono>
#include <functional>

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// Reads the first sheet of a workbook as text rows: Office Open XML (.xlsx) through
// libzip and QXmlStreamReader, the legacy binary format (.xls) through freexl. Built
// for files from anywhere: every read is capped, so a damaged or hostile file is
// refused instead of filling the memory. Pure functions, any thread.

struct WorkbookLimits {
    qint64 fileBytes = 64 * 1024 * 1024;     // the workbook file itself
    qint64 unpackedBytes = 64 * 1024 * 1024; // all parts read from the zip together
    int rows = 100000;                       // rows above the first empty "Nr."
    int cellChars = 32767;                   // the spreadsheet programs' own cell limit
    int sharedStrings = 1000000;
};

struct WorkbookRows {
    // Rows from the top down to the one before the first row whose first cell is
    // empty; each has exactly the requested number of columns. Numbers are texts in
    // the given locale ("8,5" in German), booleans "True"/"False".
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

// Either format, told apart by the file's first bytes, not by its name.
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
