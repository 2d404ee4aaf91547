#pragma once

#include "Job.h"

// The Erase command: erases the whole chip and records it as erased in the
// chip copy. The image and the marks stay.
class EraseJob : public Job {
public:
    using Job::Job;

    void run();
};
