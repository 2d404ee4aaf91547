#pragma once

#include "Counter.h"

// The processor's time-stamp counter, where it runs at a constant rate through
// sleep states: a query costs a third of a clock_gettime under a hypervisor,
// and at 2 us per SCK phase the query cost is what the bit loop pays for.
class TscCounter : public Counter {
public:
    // True when the CPU promises an invariant TSC (constant_tsc and nonstop_tsc).
    static bool available();

    TscCounter();
    int64_t now() override;
    int64_t frequency() override { return frequency_; }

private:
    int64_t frequency_ = 0;
};
