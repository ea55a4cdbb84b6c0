// Linked into every test that runs a second time under a German locale: that run fails when
// the process does not get German numbers, instead of passing as a second run under "C".

#include <QCoreApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Called once QCoreApplication has taken the locale from LC_ALL and LANG.
void requireGermanNumbers() {
    if (qEnvironmentVariableIsEmpty("TARVOLT_GERMAN_RUN"))
        return;
    const char* decimalPoint = std::localeconv()->decimal_point;
    if (std::strcmp(decimalPoint, ",") == 0)
        return;
    const char* numbers = std::setlocale(LC_NUMERIC, nullptr);
    std::fprintf(stderr,
                 "German run without German numbers: LC_NUMERIC is \"%s\", the decimal point \"%s\". "
                 "Is de_DE.UTF-8 generated? scripts/setup makes it.\n",
                 numbers ? numbers : "?", decimalPoint);
    std::exit(1);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(requireGermanNumbers)
