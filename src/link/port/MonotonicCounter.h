#pragma once

#include "Counter.h"

// CLOCK_MONOTONIC in nanoseconds: never steps back, unaffected by clock changes.
class MonotonicCounter : public Counter {
public:
    int64_t now() override;
    int64_t frequency() override { return 1'000'000'000; }
};
