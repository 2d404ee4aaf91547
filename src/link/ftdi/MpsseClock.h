#pragma once

#include <cstdint>

// The SCK clock of an FT232H or FT2232H in MPSSE: the divisor that makes each
// half-period of SCK at least the chip's shortest phase.
//
// The rule, from FTDI's AN_108: with divide-by-5 off the clock is
// 60 MHz / ((1 + divisor) * 2), divisor 0 to 65535, so a half-period lasts
// (1 + divisor) / 60 MHz. A phase longer than the largest divisor gives
// (1.09 ms) takes divide-by-5 on: 12 MHz in place of 60 MHz.
struct MpsseClock {
    // The longest half-period there is: 65536 / 12 MHz.
    static constexpr uint64_t kLongestPhaseNs = 5'461'333;

    bool divideBy5 = false;
    uint16_t divisor = 0;

    // The half-period in picoseconds, exact.
    uint64_t halfPs() const { return (uint64_t{divisor} + 1) * (divideBy5 ? 250'000 : 50'000) / 3; }
    // SCK in Hz, rounded down.
    uint32_t hz() const { return (divideBy5 ? 12'000'000u : 60'000'000u) / (2 * (uint32_t{divisor} + 1)); }

    // The fastest clock whose half-period is at least phaseNs.
    static MpsseClock For(uint64_t phaseNs);

    bool operator==(const MpsseClock&) const = default;
};
