#pragma once

#include <Counter.h>

// Virtual time: every query moves the counter on by `step` ticks.
class FakeCounter : public Counter {
public:
    explicit FakeCounter(int64_t frequency = 1'000'000, int64_t step = 1)
        : frequency_(frequency), step_(step) {}
    int64_t now() override
    {
        ++queries_;
        const int64_t t = ticks_;
        ticks_ += step_;
        return t;
    }
    int64_t frequency() override { return frequency_; }

    int64_t ticks() const { return ticks_; }
    int64_t queries() const { return queries_; }
    void setStep(int64_t step) { step_ = step; }
    // Time that passes without a query: a port access, for example.
    void advance(int64_t ticks) { ticks_ += ticks; }

private:
    int64_t frequency_;
    int64_t step_;
    int64_t ticks_ = 0;
    int64_t queries_ = 0;
};
