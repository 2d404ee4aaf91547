#include "TscCounter.h"

#include "MonotonicCounter.h"

#include <fstream>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define VORLANE_HAVE_TSC 1
#endif

bool TscCounter::available()
{
#ifdef VORLANE_HAVE_TSC
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("flags", 0) == 0)
            return line.find(" constant_tsc") != std::string::npos && line.find(" nonstop_tsc") != std::string::npos;
    }
#endif
    return false;
}

TscCounter::TscCounter()
{
#ifdef VORLANE_HAVE_TSC
    // Calibrate against the monotonic clock over 10 ms, then claim 0.1 % more
    // ticks per second than measured: a wait computed from it errs long, never short.
    MonotonicCounter mono;
    const int64_t m0 = mono.now();
    const int64_t t0 = static_cast<int64_t>(__rdtsc());
    int64_t m1 = m0;
    while (m1 - m0 < 10'000'000)
        m1 = mono.now();
    const int64_t t1 = static_cast<int64_t>(__rdtsc());
    const double measured = static_cast<double>(t1 - t0) * 1e9 / static_cast<double>(m1 - m0);
    frequency_ = static_cast<int64_t>(measured * 1.001);
#endif
}

int64_t TscCounter::now()
{
#ifdef VORLANE_HAVE_TSC
    return static_cast<int64_t>(__rdtsc());
#else
    return 0;
#endif
}
