// Numbers written into files must not follow the desktop's locale: C libraries such as
// libxlsxwriter format them with printf, which writes "2,463" under a German LC_NUMERIC.

#pragma once

#include <locale.h>

// Makes the C library format and parse numbers the "C" way on the calling thread for
// the guard's lifetime, then restores what the thread used before. Any thread.
class CNumericLocale {
public:
    CNumericLocale();
    ~CNumericLocale();
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t m_numbers = nullptr;
    locale_t m_previous = nullptr;
};

// The whole process's numbers in the "C" way, whatever LC_ALL, LC_NUMERIC or LANG say.
// Call once at start, after QApplication has taken the desktop's locale (which it does
// with setlocale(LC_ALL, "")); the program's own texts use QLocale, which does not
// depend on it.
void useCNumbersInProcess();
