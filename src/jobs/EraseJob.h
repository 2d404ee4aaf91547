#pragma once

#include "Job.h"

// The Erase command: erases the whole chip, then reads it back, and records
// it as erased in the chip copy only when the chip showed it is. The image
// and the marks stay. A chip that hid what it is behind its lock is asked
// again once erased: another chip than the one selected stays erased, is
// read back whole and reported.
class EraseJob : public Job {
public:
    using Job::Job;

    // True after "Memory erased"; otherwise a failure was told (or the
    // feedback stopped the read-back) and the chip copy no longer claims to
    // know the chip.
    bool run();
};
