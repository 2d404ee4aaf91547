#pragma once

#include <cstdint>

namespace sim {

// Frames that acted, by kind; every frame that did nothing counts in ignored.
struct ChipStats {
    uint64_t enables = 0;
    uint64_t erases = 0;
    uint64_t reads = 0;
    uint64_t writes = 0;
    uint64_t lockWrites = 0;
    uint64_t ignored = 0;
    uint64_t garbledClocks = 0;  // clocks with a too-short SCK phase

    uint64_t frames() const { return enables + erases + reads + writes + lockWrites + ignored; }
};

} // namespace sim
