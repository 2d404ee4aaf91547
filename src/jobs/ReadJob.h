#pragma once

#include "Job.h"

// The read window's job: copies a range of the chip into the image and the
// chip copy.
class ReadJob : public Job {
public:
    using Job::Job;

    // False when there was no port, the port failed on the way, or the
    // feedback stopped it.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish);
};
