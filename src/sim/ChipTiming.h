#pragma once

#include <cstdint>

namespace sim {

// How long the chip's self-timed operations last and which crystal clocks it.
// The defaults are the AT89S53's worst-case figures (At89s53.h says where each
// comes from); At89s51And52::datasheetTiming gives the AT89S51/52 ones.
struct ChipTiming {
    int64_t writeCycleNs = 2'500'000;    // one byte programmed
    int64_t chipEraseNs = 20'000'000;
    int64_t crystalHz = 12'000'000;
    int64_t resetSettleNs = 10'000'000;  // RST high to the first SCK rise it takes
};

} // namespace sim
