#pragma once

#include <LineDriver.h>

// A reset of the target: a pulse on its reset line into programming state,
// then the release, which lets the chip run its program from the start.
class ResetJob {
public:
    explicit ResetJob(LineDriver& driver = lineDriver()) : driver_(driver) {}

    void run();

private:
    LineDriver& driver_;
};
