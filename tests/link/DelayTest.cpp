#include <ClockedBackend.h>
#include <LinkFixture.h>

#include <chrono>

namespace {

// A counter frozen at one value: a machine whose counter does not advance.
class StuckCounter : public Counter {
public:
    explicit StuckCounter(int64_t frequency) : frequency_(frequency) {}
    int64_t now() override { return 42; }
    int64_t frequency() override { return frequency_; }

private:
    int64_t frequency_;
};

using LineDriverDelayTest = LinkFixture;

int64_t MeasuredUs(LineDriver& d, uint32_t us)
{
    const auto start = std::chrono::steady_clock::now();
    d.DelayMicroseconds(us);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

TEST_F(LineDriverDelayTest, TickArithmeticOnAOneMegahertzCounter)
{
    LineDriver& d = lineDriver();
    ASSERT_EQ(d.counterFrequency(), 1'000'000);
    auto owned = std::make_unique<ClockedBackend>(counter, 0);
    ClockedBackend& port1 = *owned;
    port().installBackend(std::move(owned));

    // A wait counts from the counter reading taken once the write before it
    // has returned and exits at the first reading more than `ticks` past
    // it; the next write's reading follows. With the write's own reading
    // before its access, each gap is ticks + 3.
    d.WriteData(0);
    d.DelayMicroseconds(0); // ticks = 1: exits once 2 ticks have passed
    d.WriteData(0);
    d.DelayMicroseconds(2); // ticks = 3: exits when elapsed is 4
    d.WriteData(0);
    d.DelayMicroseconds(1000);
    d.WriteData(0);
    // With no line change between them, the second wait counts from the end
    // of the first: 2 + 4 ticks, then the write.
    d.DelayMicroseconds(0);
    d.DelayMicroseconds(2);
    d.WriteData(0);
    EXPECT_EQ(port1.writeGaps(), (std::vector<int64_t>{4, 6, 1004, 8}));
}

TEST_F(LineDriverDelayTest, AWaitWithoutALineChangeBeforeItCountsFromItsStart)
{
    // The first wait of a job: t0 is its first query.
    const int64_t start = counter.ticks();
    lineDriver().DelayMicroseconds(2);
    EXPECT_EQ(counter.ticks() - start, 5) << "t0, then readings up to t0 + 4";
}

TEST_F(LineDriverDelayTest, TruncatesFractionalTicks)
{
    FakeCounter slow(1'500'000); // 1.5 ticks per microsecond
    SetCounterForTesting(&slow);
    lineDriver().RefreshTimerFrequency();
    lineDriver().DelayMicroseconds(3); // floor(4.5) + 1 = 5 ticks, exit at 6
    EXPECT_EQ(slow.ticks(), 7);
}

TEST_F(LineDriverDelayTest, HugeFrequencyDoesNotOverflow)
{
    FakeCounter fast(int64_t{1} << 40, int64_t{1} << 40); // a second per query
    SetCounterForTesting(&fast);
    lineDriver().RefreshTimerFrequency();
    lineDriver().DelayMicroseconds(4'000'000'000u); // 4000 s: 4001 queries of virtual time
    EXPECT_EQ(fast.queries(), 4002);
}

TEST_F(LineDriverDelayTest, ZeroFrequencyStillWaitsTheRequestedTime)
{
    StuckCounter stuck(0);
    SetCounterForTesting(&stuck);
    lineDriver().RefreshTimerFrequency();
    ASSERT_EQ(lineDriver().counterFrequency(), 0);
    EXPECT_GE(MeasuredUs(lineDriver(), 3000), 3000);
    EXPECT_GE(MeasuredUs(lineDriver(), 0), 0);
}

TEST_F(LineDriverDelayTest, StalledCounterReturnsAfterTheRequestedTime)
{
    StuckCounter stuck(1'000'000);
    SetCounterForTesting(&stuck);
    lineDriver().RefreshTimerFrequency();
    EXPECT_GE(MeasuredUs(lineDriver(), 5000), 5000);
    MeasuredUs(lineDriver(), 0); // must come back at all
}

TEST_F(LineDriverDelayTest, ADeadlineOnAStalledCounterPassesAfterItsSpan)
{
    // A loop bounded by a deadline (the write job's polling) must end too.
    StuckCounter stuck(1'000'000);
    SetCounterForTesting(&stuck);
    lineDriver().RefreshTimerFrequency();
    const auto start = std::chrono::steady_clock::now();
    LineDriver::Deadline d = lineDriver().DeadlineAfter(3000);
    int polls = 0;
    while (!lineDriver().Passed(d))
        ++polls;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(3000));
    EXPECT_GT(polls, 0);
}
