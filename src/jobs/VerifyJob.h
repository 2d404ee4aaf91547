#pragma once

#include "Job.h"

// The verify window's job: compares a range of the chip with the image and
// marks the bytes that differ. The chip copy stays as it is.
class VerifyJob : public Job {
public:
    using Job::Job;

    // True when every byte of the range matched; a stopped run is false, and
    // so is one on a chip that is not the one selected, that is locked
    // against reading, or that did not show it was there.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish);
};
