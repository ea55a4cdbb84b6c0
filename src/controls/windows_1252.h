#pragma once

// The Windows-1252 code page: the bytes of the older program's text files, and the
// order of the grid's plain text comparison. It equals Latin-1 except for 0x80 to 0x9F,
// which hold the euro sign and typographic characters; the five bytes the code page
// leaves unassigned there stand for the control characters of the same code.
// Pure functions, any thread.

// The character of byte b.
char16_t windows1252Char(unsigned char b);

// The byte of character c, or -1 when the code page has none for it.
int windows1252Byte(char16_t c);
