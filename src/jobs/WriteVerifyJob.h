#pragma once

#include "Job.h"

// The write window's Verify: compares a range of the chip with the image,
// marks the bytes that differ and takes every byte read into the chip copy.
// It always reads the chip, whatever the copy claims.
class WriteVerifyJob : public Job {
public:
    using Job::Job;

    // True when every byte of the range matched; a stopped run is false and
    // tells nothing.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish);
};
