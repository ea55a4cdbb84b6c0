// The escapes of texts in Office Open XML workbooks: a character XML cannot hold is
// written "_xHHHH_" (its UTF-16 code in hex), and a text that itself holds such a
// sequence protects its "_" as "_x005F_". Pure functions, any thread.

#pragma once

#include <QString>

// The text as a workbook stores it. Control characters are left to the writer library,
// which escapes them itself; only literal "_xHHHH_" sequences are protected here.
QString escapeXlsxText(const QString& text);

// The text a workbook's stored text stands for: every "_xHHHH_" becomes its character.
QString unescapeXlsxText(const QString& stored);
