#pragma once

#include <cstdint>

// The pace of an FT232R in synchronous bit-bang: how fast it moves pin bytes
// and how many bytes each SCK phase stands for, chosen so that no phase is
// shorter than asked.
//
// The rule, from FTDI's FT232R datasheet and AN232R-01 and from libftdi: the
// baud generator divides 3 MHz by a divisor of eighths (n + x/8, n from 2 to
// 16384, or exactly 1). In bit-bang mode libftdi's ftdi_set_baudrate asks the
// chip for 4 times the rate it is given ("bitbang baudrates are automatically
// multiplied by 4"), which cancels the bit-bang clock's own ratio to the baud
// generator: one pin byte goes out, and one is sampled, per cycle of the rate
// given. So a byte lasts 4 x divisor / 3 MHz = eighths / 6 MHz, 1.33 us at
// the fastest (750 000 bytes a second, avrdude's ft245r figure too).
struct FtdiClock {
    static constexpr uint32_t kFastestEighths = 8;            // divisor 1: 3 MHz
    static constexpr uint32_t kSmallestSplitEighths = 16;     // divisor 2
    static constexpr uint32_t kSlowestEighths = 16384 * 8 + 7;

    // The rate for ftdi_set_baudrate, pin bytes a second.
    int rate = 0;
    uint32_t eighths = kFastestEighths;
    // Bytes each phase lasts: at least its time, at this pace.
    uint32_t upSamples = 1;
    uint32_t downSamples = 1;

    // The byte period in picoseconds (eighths / 6 MHz), exact.
    uint64_t periodPs() const { return uint64_t{eighths} * 1'000'000 / 6; }

    // The fastest pace at which SCK up lasts upNs and down downNs at least.
    static FtdiClock For(uint64_t upNs, uint64_t downNs);

    bool operator==(const FtdiClock&) const = default;
};
