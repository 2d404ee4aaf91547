#pragma once

#include "Job.h"

// Sets the chip's lock level on its own, in one programming bracket. The
// AT89S51/52 read their lock bits back and the job checks them; the AT89S53
// has no such instruction: only a later write or read can show them.
class LockJob : public Job {
public:
    using Job::Job;

    // level 1..3; false when there was no port, no answer, the chip is not
    // the one selected (or its lock hides what it is), it failed on the way,
    // or a chip that reads its lock bits shows them short of the level.
    bool run(int level);
};
