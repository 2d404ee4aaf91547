// The FT232R's pace for each pair of SCK phases: the fastest divisor the
// baud generator has whose bytes, as many as a phase takes, last it at least.
#include <FtdiClock.h>
#include <MpsseClock.h>

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

// An FT232H's or FT2232H's SCK in MPSSE: each half-period the phase at least,
// at 60 MHz over (1 + divisor) * 2, or 12 MHz past the largest divisor.
TEST(FtdiClockTest, EachSckHalfLastsThePhaseInMpsse)
{
    const struct {
        uint64_t phaseNs;
        bool divideBy5;
        uint16_t divisor;
        uint32_t hz;
    } cases[] = {
        {10, false, 0, 30'000'000},          // faster than the chip goes: its fastest
        {2'000, false, 119, 250'000},        // the settings' 2 us
        {2'667, false, 160, 186'335},        // an AT89S52 on 3 MHz
        {1'092'266, false, 65'535, 457},     // the largest divisor
        {1'092'267, true, 13'107, 457},      // past it: divided by 5
        {5'461'333, true, 65'535, 91},       // the slowest there is
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phaseNs);
        const MpsseClock clock = MpsseClock::For(c.phaseNs);
        EXPECT_EQ(clock.divideBy5, c.divideBy5);
        EXPECT_EQ(clock.divisor, c.divisor);
        EXPECT_EQ(clock.hz(), c.hz);
        EXPECT_GE(clock.halfPs(), c.phaseNs * 1000);
    }
}
