#include "MonotonicCounter.h"

#include <ctime>

int64_t MonotonicCounter::now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}
