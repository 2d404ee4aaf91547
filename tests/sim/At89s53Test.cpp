#include "BitBanger.h"

#include <At89s53.h>
#include <VirtualCable.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using sim::At89s53;
using sim::InstructionKind;

constexpr int64_t kMs = 1'000'000;

class ChipTest : public ::testing::Test {
protected:
    At89s53 chip;
    sim::VirtualCable cable{chip};
    BitBanger host{cable};

    void enterAndEnable()
    {
        host.resetHigh();
        host.enable();
    }
    // Wait out any write cycle or erase.
    void settle() { host.advance(sim::ChipTiming{}.chipEraseNs); }
};

// Clocks the low `count` bits of `bits` straight into the chip pins, 2 us
// per phase; SCK is left high after the last bit.
void clockPins(At89s53& chip, int64_t& t, uint32_t bits, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        const bool b = (bits >> i) & 1;
        chip.drive(true, false, b, t += 2'000);
        chip.drive(true, true, b, t += 2'000);
        if (i > 0)
            chip.drive(true, false, b, t += 2'000);
    }
}

// --- Start state and framing ------------------------------------------------

TEST_F(ChipTest, NewChipIsErasedUnlockedAndIdle)
{
    for (uint8_t b : chip.flash())
        ASSERT_EQ(b, 0xFF);
    EXPECT_EQ(chip.lockMode(), 1);
    EXPECT_EQ(chip.lockBits(), 0xE7);
    EXPECT_FALSE(chip.inProgramming());
    EXPECT_FALSE(chip.programmingEnabled());
    EXPECT_TRUE(chip.miso(0));
    EXPECT_EQ(chip.modificationCount(), 0u);
}

TEST_F(ChipTest, ClocksBeforeResetRiseDoNotShiftTheFrame)
{
    host.resetLow();
    for (int i = 0; i < 5; ++i)
        host.clock(true);
    chip.flash()[0x0123] = 0x3C;
    enterAndEnable();
    EXPECT_TRUE(chip.programmingEnabled());
    EXPECT_EQ(host.read(0x0123), 0x3C);
}

TEST_F(ChipTest, ExtraClockAfterResetRiseMisalignsEveryFrame)
{
    host.resetHigh();
    host.clock(false);
    host.enable();
    EXPECT_FALSE(chip.programmingEnabled());
    EXPECT_EQ(chip.stats().enables, 0u);
    EXPECT_EQ(chip.stats().ignored, 1u);
}

TEST_F(ChipTest, NewResetRiseRealignsAfterAPartialFrame)
{
    host.resetHigh();
    host.shiftByte(0xAC);
    host.resetLow();
    enterAndEnable();
    EXPECT_TRUE(chip.programmingEnabled());
    EXPECT_EQ(chip.stats().frames(), 1u);
}

TEST_F(ChipTest, InstructionsBeforeEnableAreIgnored)
{
    host.resetHigh();
    host.write(0x0010, 0x55);
    EXPECT_EQ(host.read(0x0010), 0xFF);
    host.erase();
    host.writeLock(0x07);
    EXPECT_EQ(chip.stats().ignored, 4u);
    host.enable();
    settle();
    EXPECT_EQ(chip.flash()[0x0010], 0xFF);
    EXPECT_EQ(chip.lockMode(), 1);
    EXPECT_EQ(chip.stats().enables, 1u);
}

TEST_F(ChipTest, ResetLowDropsEnable)
{
    enterAndEnable();
    host.resetLow();
    EXPECT_FALSE(chip.programmingEnabled());
    host.resetHigh();
    host.write(0x0000, 0x12);
    settle();
    EXPECT_EQ(chip.flash()[0x0000], 0xFF);
}

TEST_F(ChipTest, MisoPresentsBit7AfterTheFallingEdgeEndingBit16)
{
    chip.flash()[0x0001] = 0xA5;  // 1010 0101
    chip.drive(true, false, false, 0);
    int64_t t = 10 * kMs;  // settled
    clockPins(chip, t, 0xAC5300, 24);
    chip.drive(true, false, false, t += 2'000);
    ASSERT_TRUE(chip.programmingEnabled());

    clockPins(chip, t, 0x0101, 16);  // read 0x0001, SCK left high after bit 16
    EXPECT_TRUE(chip.miso(t));
    const int expected[8] = {1, 0, 1, 0, 0, 1, 0, 1};
    for (int i = 0; i < 8; ++i) {
        chip.drive(true, false, false, t += 2'000);
        EXPECT_EQ(chip.miso(t), expected[i] != 0) << "bit " << 7 - i;
        chip.drive(true, true, false, t += 2'000);
        EXPECT_EQ(chip.miso(t), expected[i] != 0) << "bit " << 7 - i << " while high";
    }
    chip.drive(true, false, false, t += 2'000);
    EXPECT_TRUE(chip.miso(t));
    EXPECT_EQ(chip.stats().reads, 1u);
}

TEST_F(ChipTest, ResetFallingWithSckHighStillCompletesTheLastBit)
{
    enterAndEnable();
    int64_t t = host.now();
    clockPins(chip, t, 0x02A500, 24);  // write 0x00 to 0x00A5
    chip.drive(false, true, false, t += 2'000);
    EXPECT_FALSE(chip.inProgramming());
    EXPECT_EQ(chip.flash()[0x00A5], 0x00);
    EXPECT_EQ(chip.stats().writes, 1u);
}

// --- Reading and writing code ----------------------------------------------

TEST_F(ChipTest, WriteThenReadRoundTrips)
{
    chip.flash()[0x1234] = 0x0F;  // auto-erase: no chip erase needed
    enterAndEnable();
    const int addresses[] = {0x0000, 0x1234, 0x2FFF};
    const uint8_t values[] = {0x00, 0x5A, 0x81};
    for (int i = 0; i < 3; ++i) {
        host.write(addresses[i], values[i]);
        settle();
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(chip.flash()[addresses[i]], values[i]);
        EXPECT_EQ(host.read(addresses[i]), values[i]);
    }
    EXPECT_EQ(chip.flash()[0x0001], 0xFF);
    EXPECT_EQ(chip.stats().writes, 3u);
    EXPECT_EQ(chip.stats().reads, 3u);
}

TEST_F(ChipTest, AboveTwelveKilobytesReadsFFAndIgnoresWrites)
{
    enterAndEnable();
    EXPECT_EQ(host.read(0x3000), 0xFF);
    EXPECT_EQ(host.read(0x3FFF), 0xFF);
    const uint64_t before = chip.modificationCount();
    host.write(0x3000, 0x00);
    host.write(0x3ABC, 0x00);
    EXPECT_FALSE(chip.busy(host.now()));
    EXPECT_EQ(chip.modificationCount(), before);
    EXPECT_EQ(chip.stats().ignored, 2u);
    EXPECT_EQ(chip.history().back().address, 0x3ABC);
}

TEST_F(ChipTest, AddressBitsAboveA13DoNotExist)
{
    enterAndEnable();
    host.write(0x1234, 0x77);
    settle();
    EXPECT_EQ(host.read(0x5234), 0x77);
    EXPECT_EQ(host.read(0x9234), 0x77);
    EXPECT_EQ(host.read(0xD234), 0x77);
    EXPECT_EQ(chip.history().back().address, 0x1234);
}

TEST_F(ChipTest, DataPollingInvertsBit7UntilTheCycleEnds)
{
    chip.flash()[0x0101] = 0x11;
    enterAndEnable();
    host.write(0x0100, 0x3C);
    EXPECT_TRUE(chip.busy(host.now()));
    EXPECT_EQ(host.read(0x0100), 0xBC);
    EXPECT_EQ(host.read(0x0101), 0x11);
    host.advance(sim::ChipTiming{}.writeCycleNs);
    EXPECT_FALSE(chip.busy(host.now()));
    EXPECT_EQ(host.read(0x0100), 0x3C);
}

TEST_F(ChipTest, WriteDuringACycleIsIgnored)
{
    enterAndEnable();
    host.write(0x0010, 0x01);
    host.write(0x0011, 0x02);
    settle();
    EXPECT_EQ(chip.flash()[0x0010], 0x01);
    EXPECT_EQ(chip.flash()[0x0011], 0xFF);
    EXPECT_EQ(chip.stats().writes, 1u);
    EXPECT_EQ(chip.stats().ignored, 1u);
}

TEST_F(ChipTest, WriteCycleTimeIsConfigurable)
{
    chip.setTiming({.writeCycleNs = 500'000, .chipEraseNs = 1'000'000, .crystalHz = 12'000'000});
    enterAndEnable();
    host.write(0x0020, 0x00);
    host.advance(400'000);
    EXPECT_EQ(host.read(0x0020), 0x80);
    host.advance(100'000);
    EXPECT_EQ(host.read(0x0020), 0x00);
}

TEST_F(ChipTest, NeverProgramsAddressTakesTheCycleButKeepsItsValue)
{
    chip.setNeverPrograms(0x0042);
    enterAndEnable();
    host.write(0x0042, 0x12);
    EXPECT_EQ(host.read(0x0042), 0x92);
    settle();
    EXPECT_EQ(host.read(0x0042), 0xFF);
    host.write(0x0043, 0x12);
    settle();
    EXPECT_EQ(host.read(0x0043), 0x12);
    EXPECT_EQ(chip.stats().writes, 2u);
}

// --- Erase and lock bits ---------------------------------------------------

TEST_F(ChipTest, EraseSetsFFClearsLocksAndIgnoresWhatArrivesMeanwhile)
{
    chip.flash()[0x0000] = 0x00;
    chip.flash()[0x2FFF] = 0x12;
    enterAndEnable();
    host.writeLock(0x07);
    ASSERT_EQ(chip.lockMode(), 4);
    host.erase();
    EXPECT_EQ(chip.lockMode(), 1);
    EXPECT_EQ(chip.lockBits(), 0xE7);
    EXPECT_EQ(host.read(0x0000), 0xFF);  // ignored: MISO stays high
    host.write(0x0001, 0x00);
    host.writeLock(0x67);
    host.advance(sim::ChipTiming{}.chipEraseNs);
    EXPECT_EQ(host.read(0x2FFF), 0xFF);
    EXPECT_EQ(chip.flash()[0x0001], 0xFF);
    EXPECT_EQ(chip.lockMode(), 1);
    for (uint8_t b : chip.flash())
        ASSERT_EQ(b, 0xFF);
    EXPECT_EQ(chip.stats().erases, 1u);
    EXPECT_EQ(chip.stats().ignored, 3u);
}

TEST_F(ChipTest, LockModesFollowTheProgrammedBits)
{
    chip.flash()[0x0005] = 0x5A;
    enterAndEnable();
    host.writeLock(0xE7);
    EXPECT_EQ(chip.lockMode(), 1);

    host.writeLock(0x67);
    EXPECT_EQ(chip.lockMode(), 2);
    EXPECT_EQ(chip.lockBits(), 0x67);
    host.write(0x0005, 0x00);
    settle();
    EXPECT_EQ(chip.flash()[0x0005], 0x5A);
    EXPECT_EQ(host.read(0x0005), 0x5A);

    host.writeLock(0x27);
    EXPECT_EQ(chip.lockMode(), 3);
    EXPECT_EQ(host.read(0x0005), 0x00);
    EXPECT_EQ(host.read(0x0006), 0x00);

    host.writeLock(0x07);
    EXPECT_EQ(chip.lockMode(), 4);
    EXPECT_EQ(host.read(0x0005), 0x00);

    host.writeLock(0xE7);  // a 1 never unprograms
    EXPECT_EQ(chip.lockMode(), 4);
    EXPECT_EQ(chip.stats().lockWrites, 5u);
}

TEST_F(ChipTest, LockBitsAccumulate)
{
    enterAndEnable();
    host.writeLock(0xA7);  // LB2 alone
    EXPECT_EQ(chip.lockBits(), 0xA7);
    EXPECT_EQ(chip.lockMode(), 3);
    host.writeLock(0x67);
    EXPECT_EQ(chip.lockBits(), 0x27);
}

TEST_F(ChipTest, TwoByteLockInstructionThenResetLowDoesNothing)
{
    enterAndEnable();
    host.shiftByte(0xAC);
    host.shiftByte(0x07);
    host.resetLow();
    EXPECT_EQ(chip.lockMode(), 1);
    EXPECT_EQ(chip.stats().lockWrites, 0u);
    EXPECT_EQ(chip.history().size(), 1u);
}

TEST_F(ChipTest, OtherAcInstructionsAreIgnored)
{
    enterAndEnable();
    host.transfer(0xAC, 0x00, 0x00);
    host.transfer(0xAC, 0x52, 0x00);
    host.transfer(0x00, 0x00, 0x00);
    EXPECT_EQ(chip.stats().ignored, 3u);
    EXPECT_EQ(chip.history().back().kind, InstructionKind::Unknown);
}

// --- Statistics ----------------------------------------------------------------

TEST_F(ChipTest, HistoryRecordsDecodedFramesAndClears)
{
    chip.flash()[0x2345] = 0x99;
    enterAndEnable();
    host.read(0x2345);
    host.write(0x2346, 0x42);
    host.writeLock(0x67);
    const auto& h = chip.history();
    ASSERT_EQ(h.size(), 4u);
    EXPECT_EQ(h[0].kind, InstructionKind::Enable);
    EXPECT_EQ(h[1].kind, InstructionKind::ReadCode);
    EXPECT_EQ(h[1].address, 0x2345);
    EXPECT_EQ(h[1].value, 0x99);
    EXPECT_EQ(h[1].bytes[0], 0x1D);
    EXPECT_EQ(h[1].bytes[1], 0x45);
    EXPECT_EQ(h[2].kind, InstructionKind::WriteCode);
    EXPECT_EQ(h[2].address, 0x2346);
    EXPECT_EQ(h[2].value, 0x42);
    EXPECT_FALSE(h[2].ignored);
    EXPECT_EQ(h[3].kind, InstructionKind::WriteLockBits);
    EXPECT_EQ(h[3].value, 0x67);
    EXPECT_EQ(chip.stats().frames(), 4u);
    chip.clearStats();
    EXPECT_TRUE(chip.history().empty());
    EXPECT_EQ(chip.stats().frames(), 0u);
}

TEST_F(ChipTest, HistoryStopsAtItsLimitWhileCountersGoOn)
{
    chip.setHistoryLimit(2);
    enterAndEnable();
    host.read(0x0000);
    host.read(0x0001);
    EXPECT_EQ(chip.history().size(), 2u);
    EXPECT_EQ(chip.stats().reads, 2u);
    EXPECT_EQ(chip.stats().frames(), 3u);
}

TEST_F(ChipTest, ModificationCountBumpsOnRealChangesOnly)
{
    enterAndEnable();
    host.write(0x0000, 0xFF);
    settle();
    EXPECT_EQ(chip.modificationCount(), 0u);
    host.write(0x0000, 0x00);
    settle();
    EXPECT_EQ(chip.modificationCount(), 1u);
    host.writeLock(0x67);
    EXPECT_EQ(chip.modificationCount(), 2u);
    host.erase();
    EXPECT_EQ(chip.modificationCount(), 3u);
}

// --- SCK timing ----------------------------------------------------------------

TEST_F(ChipTest, SckAtTwentyCrystalPeriodsIsReliable)
{
    chip.flash()[0x0100] = 0x5A;
    host.setHalfPeriodNs(1'667);  // 20 periods of 12 MHz round up to 1667 ns
    enterAndEnable();
    EXPECT_EQ(host.read(0x0100), 0x5A);
    EXPECT_EQ(chip.stats().garbledClocks, 0u);

    chip.setTiming({.writeCycleNs = 2'000'000, .chipEraseNs = 16'000'000, .crystalHz = 24'000'000});
    host.setHalfPeriodNs(834);
    EXPECT_EQ(host.read(0x0100), 0x5A);
    EXPECT_EQ(chip.stats().garbledClocks, 0u);
}

uint8_t readTooFast(uint64_t seed, int64_t lowNs = 1'666, int64_t highNs = 1'666)
{
    At89s53 chip;
    chip.setNoiseSeed(seed);
    chip.flash()[0x0100] = 0x5A;
    sim::VirtualCable cable(chip);
    BitBanger host(cable);
    host.resetHigh();
    host.enable();
    host.setPhasesNs(lowNs, highNs);
    const uint8_t value = host.read(0x0100);
    EXPECT_EQ(chip.stats().garbledClocks, 24u);
    return value;
}

TEST_F(ChipTest, SckPhasesBelowTwentyCrystalPeriodsGiveGarbage)
{
    const uint8_t first = readTooFast(7);
    EXPECT_NE(first, 0x5A);
    EXPECT_EQ(readTooFast(7), first);
}

TEST_F(ChipTest, EitherShortPhaseAloneGivesGarbage)
{
    EXPECT_NE(readTooFast(11, 1'666, 10'000), 0x5A);
    EXPECT_NE(readTooFast(11, 10'000, 1'666), 0x5A);
}

// --- Datasheet limits ----------------------------------------------------------

constexpr int64_t kCycleNs = 2'500'000;    // byte write, "typically less than 2.5 ms"
constexpr int64_t kSettleNs = 10'000'000;  // "wait for at least 10 milliseconds"
constexpr int64_t kEraseNs = 20'000'000;

TEST(ChipLimits, DefaultTimingIsTheWorstCase)
{
    const At89s53 chip;
    EXPECT_EQ(chip.timing().writeCycleNs, kCycleNs);
    EXPECT_EQ(chip.timing().resetSettleNs, kSettleNs);
    EXPECT_EQ(chip.timing().chipEraseNs, kEraseNs);
    EXPECT_EQ(chip.timing().crystalHz, 12'000'000);
}

// gapNs: from the last bit of one instruction to the last bit of the next
// (to bit 16 of a read, where its answer is fixed).
struct GapCase {
    const char* name;
    int64_t gapNs;
    bool taken;
};

void PrintTo(const GapCase& c, std::ostream* os) { *os << c.name << " (" << c.gapNs << " ns)"; }

std::string caseName(const ::testing::TestParamInfo<GapCase>& info) { return info.param.name; }

class ChipGap : public ::testing::TestWithParam<GapCase> {
protected:
    At89s53 chip;
    sim::VirtualCable cable{chip};
    BitBanger host{cable};
};

class WriteCycleLimit : public ChipGap {};

TEST_P(WriteCycleLimit, NextWriteIsTakenOnlyAfterTheCycle)
{
    host.resetHigh();
    host.enable();
    host.write(0x0100, 0x11);
    host.advance(GetParam().gapNs - host.frameNs(3));
    host.write(0x0101, 0x22);
    host.advance(kCycleNs);
    EXPECT_EQ(chip.flash()[0x0100], 0x11);
    EXPECT_EQ(chip.flash()[0x0101], GetParam().taken ? 0x22 : 0xFF);
}

TEST_P(WriteCycleLimit, DataPollingLastsTheWholeCycle)
{
    host.resetHigh();
    host.enable();
    host.write(0x0100, 0x11);
    host.advance(GetParam().gapNs - host.frameNs(2));
    EXPECT_EQ(host.read(0x0100), GetParam().taken ? 0x11 : 0x91);
}

INSTANTIATE_TEST_SUITE_P(Gaps, WriteCycleLimit,
                         ::testing::Values(GapCase{"JustUnder", kCycleNs - 1, false},
                                           GapCase{"AtTheLimit", kCycleNs, true},
                                           GapCase{"HostWaiting2100us", 2'100'000 + 96'000, false},
                                           GapCase{"HostDefault2600us", 2'600'000 + 96'000, true}),
                         caseName);

class ResetSettleLimit : public ChipGap {};

TEST_P(ResetSettleLimit, EnableCountsOnlyAfterTheChipSettled)
{
    // gapNs here: RST rise to the enable's first SCK rise.
    host.setSettleNs(GetParam().gapNs);
    host.resetHigh();
    host.enable();
    EXPECT_EQ(chip.programmingEnabled(), GetParam().taken);
    host.write(0x0010, 0x5A);
    host.advance(kCycleNs);
    EXPECT_EQ(chip.flash()[0x0010], GetParam().taken ? 0x5A : 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Gaps, ResetSettleLimit,
                         ::testing::Values(GapCase{"NoWait", 2'000, false},
                                           GapCase{"JustUnder", kSettleNs - 1, false},
                                           GapCase{"AtTheLimit", kSettleNs, true},
                                           GapCase{"HostDefault50ms", 50'000'000, true}),
                         caseName);

TEST(ChipLimits, SettlingCountsFromTheLastRisingEdge)
{
    // RST high long enough, a 1 ms low pulse, then too short a wait.
    At89s53 chip;
    sim::VirtualCable cable(chip);
    BitBanger host(cable);
    host.setSettleNs(12 * kMs);
    host.resetHigh();
    host.resetLow();
    host.advance(kMs);
    host.setSettleNs(kSettleNs - kMs);
    host.resetHigh();
    host.enable();
    EXPECT_FALSE(chip.programmingEnabled());
    EXPECT_EQ(chip.stats().ignored, 1u);
}

class EraseLimit : public ChipGap {};

TEST_P(EraseLimit, WritesWaitForTheErase)
{
    host.resetHigh();
    host.enable();
    host.erase();
    host.advance(GetParam().gapNs - host.frameNs(3));
    host.write(0x0020, 0x33);
    host.advance(kCycleNs);
    EXPECT_EQ(chip.flash()[0x0020], GetParam().taken ? 0x33 : 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Gaps, EraseLimit,
                         ::testing::Values(GapCase{"JustUnder", kEraseNs - 1, false},
                                           GapCase{"AtTheLimit", kEraseNs, true}),
                         caseName);

// --- Robustness -------------------------------------------------------------------

TEST(ChipRobustness, RandomPinActivityNeverBreaksTheModel)
{
    At89s53 chip({.writeCycleNs = 10'000, .chipEraseNs = 50'000, .crystalHz = 12'000'000, .resetSettleNs = 0});
    chip.setNeverPrograms(5);
    sim::Prng prng(42);
    int64_t t = 0;
    for (int i = 0; i < 200'000; ++i) {
        const uint64_t r = prng.next();
        t += static_cast<int64_t>(r % 4000) - 200;  // sometimes going back
        chip.drive((r >> 20) % 64 != 0, (r >> 30) & 1, (r >> 31) & 1, t);
        chip.miso(t);
    }
    EXPECT_GE(chip.lockMode(), 1);
    EXPECT_LE(chip.lockMode(), 4);
    EXPECT_EQ(chip.stats().frames(), chip.history().size());
}

} // namespace
