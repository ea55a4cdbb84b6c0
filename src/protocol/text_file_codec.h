// Bytes of the program's text files to text and back. Pure functions, any thread.
//
// Files of the older Windows program are Windows-1252 (one-byte "Ø"); files that
// need characters outside that code page are UTF-8 with a byte order mark.

#pragma once

#include <QByteArray>
#include <QString>

// UTF-8 or UTF-16 (either byte order) when the bytes start with that byte order mark,
// which is dropped; UTF-8 when they are valid UTF-8 as a whole; otherwise Windows-1252.
// A malformed UTF-16 sequence becomes U+FFFD.
QString decodeTextFile(const QByteArray& bytes);

// Windows-1252 when every character of the text has a byte there and those bytes do
// not also read as UTF-8; otherwise UTF-8 with a byte order mark.
QByteArray encodeTextFile(const QString& text);

// Every byte maps to one character; the five bytes the code page leaves undefined
// map to the control characters of the same value, as Windows does.
QString decodeWindows1252(const QByteArray& bytes);

// False, leaving out untouched, when some character has no Windows-1252 byte.
bool encodeWindows1252(const QString& text, QByteArray& out);
