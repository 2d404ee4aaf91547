#pragma once

#include "Job.h"

// The Erase command: erases the whole chip, then reads it back, and records
// it as erased in the chip copy only when the chip showed it is. The image
// and the marks stay.
class EraseJob : public Job {
public:
    using Job::Job;

    // True after "Memory erased"; otherwise a failure was told (or the
    // feedback stopped the read-back) and the chip copy no longer claims to
    // know the chip.
    bool run();

private:
    // Whether a chip answered after the erase (see EraseJob.cpp).
    bool chipAnswers();
};
