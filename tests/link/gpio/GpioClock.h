#pragma once

#include <Counter.h>

#include <cstdint>
#include <ctime>

namespace gpiomodel {

// The time the model kernel and the host share, in nanoseconds, as the
// session counter. Virtual: every reading moves it on by a step, so that a
// host's busy-wait ends, and an ioctl moves it to its end. Real (for
// measuring): the monotonic clock as it passes, less what the model spent
// computing, plus what the modelled ioctls cost.
//
// Not the thread's CPU time the USBasp model's clock counts: reading that
// is a system call (about 1.3 us here), as long as the 1.5 us ioctl it would
// measure, and the host reads its counter at every line change and through
// every wait. The monotonic clock reads in tens of nanoseconds, as a Pi's
// counter does; other programs' load on a shared machine then counts too.
class GpioClock : public Counter {
public:
    static constexpr int64_t kStepNs = 1000;

    int64_t now() override
    {
        if (real_)
            return peek();
        const int64_t t = ns_;
        ns_ += kStepNs;
        return t;
    }
    int64_t frequency() override { return 1'000'000'000; }

    // The time without a reading's step.
    int64_t peek() const { return real_ ? realNs() - excludedNs_ + addedNs_ : ns_; }
    // Time passes until `ns`.
    void advanceTo(int64_t ns)
    {
        const int64_t behind = ns - peek();
        if (behind <= 0)
            return;
        if (real_)
            addedNs_ += behind;
        else
            ns_ = ns;
    }
    // Real time the model spent on its own work, not to be counted.
    void exclude(int64_t ns) { excludedNs_ += ns; }

    void useRealTime(bool real)
    {
        real_ = real;
        ns_ = 0;
        excludedNs_ = 0;
        addedNs_ = real ? -realNs() : 0;
    }
    bool realTime() const { return real_; }

    static int64_t realNs()
    {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
    }

private:
    bool real_ = false;
    int64_t ns_ = 0;
    int64_t excludedNs_ = 0;
    int64_t addedNs_ = 0;
};

} // namespace gpiomodel
