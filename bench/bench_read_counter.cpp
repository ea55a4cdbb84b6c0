// Cost of one ReadCounter() call with each counter; run by hand.
#include "timing/high_res_timer.h"

#include <cstdio>

namespace {

double nanosecondsPerRead(const THighResTimer& timer) {
    constexpr int reads = 10000000;
    const qint64 begin = readMonotonicNanoseconds(nullptr);
    qint64 sink = 0;
    for (int i = 0; i < reads; ++i)
        sink ^= timer.ReadCounter();
    const qint64 end = readMonotonicNanoseconds(nullptr);
    if (sink == 42)
        std::puts(""); // keeps the loop from being optimised away
    return double(end - begin) / reads;
}

} // namespace

int main() {
    const THighResTimer performance(THighResTimer::StartCounter::PerformanceCounter);
    std::printf("performance counter: %.1f ns per read, CountSpeed %.3f\n", nanosecondsPerRead(performance),
                performance.CountSpeed());
    std::puts("calibrating the TSC (3 s) ...");
    const THighResTimer tsc(THighResTimer::StartCounter::TscWhenPresent);
    if (!tsc.UseTSC()) {
        std::puts("no TSC on this processor");
        return 0;
    }
    std::printf("TSC: %.1f ns per read, CountSpeed %.3f\n", nanosecondsPerRead(tsc), tsc.CountSpeed());
    return 0;
}
