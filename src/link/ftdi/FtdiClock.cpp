#include "FtdiClock.h"

#include <algorithm>

namespace {

uint64_t CeilDiv(uint64_t a, uint64_t b)
{
    return (a + b - 1) / b;
}

// Bytes of `eighths` / 6 MHz each that last `ns` at least.
uint32_t Samples(uint64_t ns, uint32_t eighths)
{
    return static_cast<uint32_t>(std::max<uint64_t>(1, CeilDiv(ns * 6, uint64_t{eighths} * 1000)));
}

} // namespace

FtdiClock FtdiClock::For(uint64_t upNs, uint64_t downNs)
{
    // One byte a phase where the generator goes that slow; beyond it, the
    // phase is several bytes of the slowest pace that still fits.
    const uint64_t shortest = std::max<uint64_t>(1, std::min(upNs, downNs));
    const uint64_t needed = CeilDiv(shortest * 6, 1000);
    const uint64_t split = CeilDiv(needed, kSlowestEighths);
    uint64_t eighths = CeilDiv(needed, split);
    // No divisor between 1 and 2: the next slower one.
    if (eighths <= kFastestEighths)
        eighths = kFastestEighths;
    else if (eighths < kSmallestSplitEighths)
        eighths = kSmallestSplitEighths;
    FtdiClock clock;
    clock.eighths = static_cast<uint32_t>(eighths);
    clock.rate = static_cast<int>(6'000'000 / eighths);
    clock.upSamples = Samples(upNs, clock.eighths);
    clock.downSamples = Samples(downNs, clock.eighths);
    return clock;
}
