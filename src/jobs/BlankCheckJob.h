#pragma once

#include "Job.h"

// The blank-check window's job: whether a range of the chip holds only 0xFF,
// both ends included. Stores nothing in the image.
class BlankCheckJob : public Job {
public:
    using Job::Job;

    // True when the chip was found blank; false too when there was no port,
    // it failed, or the feedback stopped it. A start above the finish is
    // refused before the port is touched.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish);
};
