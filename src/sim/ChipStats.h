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
    uint64_t lockReads = 0;
    uint64_t signatureReads = 0;
    uint64_t pageReads = 0;
    uint64_t pageWrites = 0;
    uint64_t ignored = 0;
    uint64_t garbledClocks = 0;  // clocks with a too-short SCK phase

    uint64_t frames() const
    {
        return enables + erases + reads + writes + lockWrites + lockReads + signatureReads + pageReads +
               pageWrites + ignored;
    }
};

} // namespace sim
