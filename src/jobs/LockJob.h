#pragma once

#include "Job.h"

// Sets the chip's lock level on its own, in one programming bracket. The
// AT89S53 has no instruction to read its lock bits back: only a later write
// or read can show them.
class LockJob : public Job {
public:
    using Job::Job;

    // level 1..3; false when there was no port or it failed on the way.
    bool run(int level);
};
