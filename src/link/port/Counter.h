#pragma once

#include <cstdint>

// The high-resolution counter the line driver times its waits with.
class Counter {
public:
    virtual ~Counter() = default;
    virtual int64_t now() = 0;        // ticks; monotonic on a sound machine
    virtual int64_t frequency() = 0;  // ticks per second; 0 if unknown
};

// The counter in use: the invariant TSC where the CPU has one, else the
// monotonic clock, unless a test installed another.
Counter& currentCounter();

// Installs a counter (not owned); nullptr goes back to the platform's.
void SetCounterForTesting(Counter* counter);

// Ticks of the current counter as nanoseconds; 0 when its frequency is unknown.
int64_t CounterNanoseconds(int64_t ticks);
