#include "MpsseClock.h"

#include <algorithm>

MpsseClock MpsseClock::For(uint64_t phaseNs)
{
    // Half-periods of 1/60 us (or 1/12 us) that last phaseNs at least.
    MpsseClock clock;
    uint64_t ticks = (phaseNs * 60 + 999) / 1000;
    if (ticks > 65536) {
        clock.divideBy5 = true;
        ticks = (phaseNs * 12 + 999) / 1000;
    }
    clock.divisor = static_cast<uint16_t>(std::clamp<uint64_t>(ticks, 1, 65536) - 1);
    return clock;
}
