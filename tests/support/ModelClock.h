#pragma once

#include <Counter.h>

#include <cstdint>
#include <ctime>

namespace model {

// The time a model of a link's far side and the host share, in nanoseconds,
// as the session counter. Virtual: every reading moves it on by a step, so
// that a host's busy-wait ends, and a transfer or an access moves it to its
// end. Real (for measuring): the host's own time as it passes on `Source`,
// less what the model itself spent computing, plus the time the modelled
// transfers or accesses take.
//
// The USB models count the thread's CPU time: the host never blocks (it
// busy-waits, and the model answers in the same thread), so on an idle
// machine that is its wall time, and other programs' load does not count.
// Reading it is a system call, though (about 1.3 us here), as long as a GPIO
// ioctl it would measure: the GPIO model, whose host reads its counter at
// every line change, counts the monotonic clock, which reads in tens of
// nanoseconds as a Raspberry Pi's counter does.
template <clockid_t Source>
class ModelClock : public Counter {
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
        clock_gettime(Source, &t);
        return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
    }

private:
    bool real_ = false;
    int64_t ns_ = 0;
    int64_t excludedNs_ = 0;
    int64_t addedNs_ = 0;
};

} // namespace model
