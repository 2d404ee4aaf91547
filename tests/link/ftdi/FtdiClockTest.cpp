// The FT232R's pace for each pair of SCK phases: the fastest divisor the
// baud generator has whose bytes, as many as a phase takes, last it at least.
#include <FtdiClock.h>

#include <gtest/gtest.h>

TEST(FtdiClockTest, EachPhaseLastsItsTimeAtTheFastestPaceTheChipHas)
{
    const struct {
        uint64_t upNs;
        uint64_t downNs;
        int rate;
        uint32_t eighths;
        uint32_t upSamples;
        uint32_t downSamples;
    } cases[] = {
        {1'000, 1'000, 750'000, 8, 1, 1},         // faster than the chip goes: its fastest
        {2'000, 2'000, 375'000, 16, 1, 1},        // no divisor between 1 and 2
        {2'667, 2'667, 352'941, 17, 1, 1},        // an AT89S52 on 3 MHz
        {3'000, 9'000, 333'333, 18, 1, 3},        // the shorter phase sets the pace
        {30'000'000, 30'000'000, 66, 90'000, 2, 2}, // past the slowest divisor: two bytes a phase
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.upNs);
        const FtdiClock clock = FtdiClock::For(c.upNs, c.downNs);
        EXPECT_EQ(clock.rate, c.rate);
        EXPECT_EQ(clock.eighths, c.eighths);
        EXPECT_EQ(clock.upSamples, c.upSamples);
        EXPECT_EQ(clock.downSamples, c.downSamples);
        EXPECT_GE(clock.upSamples * clock.periodPs(), c.upNs * 1000);
        EXPECT_GE(clock.downSamples * clock.periodPs(), c.downNs * 1000);
    }
}
