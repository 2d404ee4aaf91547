#include "Counter.h"

#include "MonotonicCounter.h"
#include "TscCounter.h"

#include <memory>

namespace {

Counter& platformCounter()
{
    static const std::unique_ptr<Counter> counter =
        TscCounter::available() ? std::unique_ptr<Counter>(std::make_unique<TscCounter>())
                                : std::unique_ptr<Counter>(std::make_unique<MonotonicCounter>());
    return *counter;
}

Counter* g_current = nullptr;

} // namespace

Counter& currentCounter()
{
    return g_current ? *g_current : platformCounter();
}

void SetCounterForTesting(Counter* counter)
{
    g_current = counter;
}

int64_t CounterNanoseconds(int64_t ticks)
{
    const int64_t f = currentCounter().frequency();
    if (f <= 0)
        return 0;
    // Split so that the product cannot overflow.
    return ticks / f * 1'000'000'000 + ticks % f * 1'000'000'000 / f;
}
