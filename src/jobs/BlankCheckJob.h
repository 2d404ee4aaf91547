#pragma once

#include "Job.h"

// The blank-check window's job: whether a range of the chip holds only 0xFF,
// both ends included. Stores nothing in the image.
class BlankCheckJob : public Job {
public:
    using Job::Job;

    // True when the chip was found blank; false
    // too when there was no port, it failed, the feedback stopped it, the
    // chip is not the one selected or is locked against reading, or an
    // AT89S53 that read only 0xFF did not show it was there. A start above
    // the finish is refused before the port is touched.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish);
};
