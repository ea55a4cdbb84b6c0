// The processor's time-stamp counter. On x86 it is read with RDTSC; on other
// processors it is reported absent and reads as 0.

#pragma once

#include <QtGlobal>

// Whether CPUID's answers show a TSC: the highest leaf (read as signed, so the
// extended range 0x8000_0000 and up means none) must be at least 1 and leaf 1
// must set EDX bit 4.
bool tscFromCpuid(qint32 highestLeaf, quint32 leaf1Edx);

// Asks this processor through CPUID.
bool detectTsc();

// The counter as is; context is unused.
qint64 readTimeStampCounter(const void* context);
