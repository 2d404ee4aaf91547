#pragma once

#include "Job.h"

// The read window's job: copies a range of the chip into the image and the
// chip copy, once the whole range is read from the chip selected.
class ReadJob : public Job {
public:
    using Job::Job;

    // False, with the image untouched, when there was no port, the chip is
    // not the one selected or its lock hides its content, an AT89S53 that
    // read only 0xFF did not show it was there, the port failed on the way,
    // or the feedback stopped it.
    bool run(std::optional<int32_t> start, std::optional<int32_t> finish);
};
