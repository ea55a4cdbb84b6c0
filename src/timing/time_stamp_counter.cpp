// Detects the TSC through CPUID and reads it with RDTSC on x86; absent elsewhere.

#include "timing/time_stamp_counter.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define TARVOLT_HAS_RDTSC 1
#endif

bool tscFromCpuid(qint32 highestLeaf, quint32 leaf1Edx) {
    return highestLeaf > 0 && (leaf1Edx & (1u << 4)) != 0;
}

bool detectTsc() {
#ifdef TARVOLT_HAS_RDTSC
    // On i386 this first checks that the ID flag toggles and gives 0 without CPUID.
    const unsigned int highest = __get_cpuid_max(0, nullptr);
    if (static_cast<qint32>(highest) <= 0)
        return false;
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(1, eax, ebx, ecx, edx);
    return tscFromCpuid(static_cast<qint32>(highest), edx);
#else
    return false;
#endif
}

qint64 readTimeStampCounter(const void*) {
#ifdef TARVOLT_HAS_RDTSC
    return static_cast<qint64>(__rdtsc());
#else
    return 0;
#endif
}
