#pragma once

#include "Job.h"

// The verify window's job: compares a range of the chip with the image and
// marks the bytes that differ. The chip copy stays as it is.
class VerifyJob : public Job {
public:
    using Job::Job;

    // True when every byte of the range matched; a stopped run is false.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish);
};
