// The AT89S51/52 models through the virtual cable, spoken to as a host would.
#include "BitBanger.h"
#include "FourByteHost.h"

#include <At89s51And52.h>
#include <VirtualCable.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using sim::At89s51And52;
using sim::InstructionKind;
using Variant = sim::At89s51And52::Variant;

constexpr int64_t kMs = 1'000'000;
constexpr int64_t k12MHz = 12'000'000;
constexpr int64_t k3MHz = 3'000'000;
constexpr int64_t kCycleNs = 405'334;      // 64 tCLCL + 400 us at 12 MHz
constexpr int64_t kCycle3MHzNs = 421'334;  // and at 3 MHz, the default
constexpr int64_t kEraseNs = 500 * kMs;
constexpr int64_t kSettleNs = 10 * kMs;

std::string variantName(Variant v) { return v == Variant::S51 ? "S51" : "S52"; }

}  // namespace

namespace sim {
void PrintTo(At89s51And52::Variant v, std::ostream* os) { *os << (v == At89s51And52::Variant::S51 ? "S51" : "S52"); }
}  // namespace sim

namespace {

std::vector<uint8_t> pattern(int seed)
{
    std::vector<uint8_t> data(256);
    for (int i = 0; i < 256; ++i)
        data[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7 + seed);
    return data;
}

// A chip on a board with a crystal (12 MHz unless a case says), on the
// default cable, with a host at the other end clocking as fast as the
// crystal lets it in whole microseconds, and no faster than 2 us.
struct Rig {
    explicit Rig(Variant variant, int64_t crystalHz = k12MHz)
        : chip(variant, At89s51And52::datasheetTiming(crystalHz))
    {
        wire.setHalfPeriodNs(std::max<int64_t>(2'000, (8'000'000'000 / crystalHz + 999) / 1000 * 1000));
    }
    void enter()
    {
        wire.resetHigh();
        host.enable();
    }

    At89s51And52 chip;
    sim::VirtualCable cable{chip};
    BitBanger wire{cable};
    FourByteHost host{wire};
};

class S5x : public ::testing::TestWithParam<Variant> {
protected:
    Rig rig{GetParam()};
    At89s51And52& chip = rig.chip;
    BitBanger& wire = rig.wire;
    FourByteHost& host = rig.host;

    int size() const { return GetParam() == Variant::S51 ? 4096 : 8192; }
    void enter()
    {
        wire.resetHigh();
        ASSERT_EQ(host.enable(), 0x69);
    }
    void waitErase() { wire.advance(kEraseNs); }
    void waitCycle(int bytes = 1) { wire.advance(kCycleNs * bytes); }
};

std::string paramName(const ::testing::TestParamInfo<Variant>& info) { return variantName(info.param); }

INSTANTIATE_TEST_SUITE_P(Variants, S5x, ::testing::Values(Variant::S51, Variant::S52), paramName);

// --- Enable and framing --------------------------------------------------------

TEST_P(S5x, NewChipIsErasedUnlockedAndIdle)
{
    EXPECT_EQ(chip.flashSize(), size());
    EXPECT_EQ(chip.flashBytes().size(), static_cast<std::size_t>(size()));
    for (uint8_t b : chip.flash())
        ASSERT_EQ(b, 0xFF);
    EXPECT_EQ(chip.lockMode(), 1);
    EXPECT_FALSE(chip.programmingEnabled());
    EXPECT_EQ(chip.timing().writeCycleNs, kCycleNs);
    EXPECT_EQ(chip.timing().chipEraseNs, kEraseNs);
    EXPECT_EQ(chip.timing().resetSettleNs, kSettleNs);
    EXPECT_EQ(At89s51And52(GetParam()).timing().writeCycleNs, kCycle3MHzNs) << "the slowest crystal by default";
}

TEST_P(S5x, EnableAnswers69OnTheFourthByte)
{
    wire.resetHigh();
    wire.shiftByte(0xAC);
    wire.shiftByte(0x53);
    EXPECT_EQ(wire.shiftByte(0x00), 0xFF) << "nothing on byte 3";
    EXPECT_EQ(wire.shiftByte(0x00), 0x69);
    EXPECT_TRUE(chip.programmingEnabled());
    EXPECT_EQ(host.enable(), 0x69) << "a repeated enable answers too";
    EXPECT_EQ(chip.stats().enables, 2u);
}

TEST_P(S5x, NothingAnswersOutsideProgrammingOrBeforeEnable)
{
    chip.flash()[0x0010] = 0x12;
    wire.resetLow();
    EXPECT_EQ(host.enable(), 0xFF) << "RST low";
    EXPECT_EQ(chip.stats().frames(), 0u);

    wire.resetHigh();
    EXPECT_EQ(host.read(0x0010), 0xFF);
    EXPECT_EQ(host.signature(0x000), 0xFF);
    EXPECT_EQ(host.readLock(), 0xFF);
    host.write(0x0010, 0x00);
    host.erase();
    host.writeLock(2);
    waitErase();
    EXPECT_EQ(chip.flash()[0x0010], 0x12);
    EXPECT_EQ(chip.lockMode(), 1);
    EXPECT_EQ(chip.stats().ignored, 6u);
}

struct SettleCase {
    const char* name;
    int64_t firstRiseNs;  // after RST rises
    bool enabled;
};

void PrintTo(const SettleCase& c, std::ostream* os) { *os << c.name; }

class S5xSettle : public ::testing::TestWithParam<SettleCase> {};

TEST_P(S5xSettle, EnableIsTakenOnlyAfterTheChipSettled)
{
    Rig r(Variant::S52);
    r.wire.setSettleNs(GetParam().firstRiseNs);
    r.wire.resetHigh();
    EXPECT_EQ(r.host.enable(), GetParam().enabled ? 0x69 : 0xFF);
    EXPECT_EQ(r.chip.programmingEnabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(Gaps, S5xSettle,
                         ::testing::Values(SettleCase{"NoWait", 2'000, false},
                                           SettleCase{"JustUnder", kSettleNs - 1, false},
                                           SettleCase{"AtTheLimit", kSettleNs, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(S5x, ExtraClockMisalignsEveryFrameUntilTheNextReset)
{
    wire.resetHigh();
    wire.clock(false);
    EXPECT_NE(host.enable(), 0x69);
    EXPECT_FALSE(chip.programmingEnabled());
    wire.resetLow();
    wire.resetHigh();
    EXPECT_EQ(host.enable(), 0x69);
}

// --- Signature -------------------------------------------------------------------

struct SignatureCase {
    Variant variant;
    int address;
    uint8_t value;
};

void PrintTo(const SignatureCase& c, std::ostream* os)
{
    *os << variantName(c.variant) << " @" << std::hex << c.address;
}

class S5xSignature : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(S5xSignature, ReadsTheDatasheetValue)
{
    Rig r(GetParam().variant);
    r.enter();
    EXPECT_EQ(r.host.signature(GetParam().address), GetParam().value);
    EXPECT_EQ(r.chip.history().back().kind, InstructionKind::ReadSignature);
    EXPECT_EQ(r.chip.history().back().address, GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(Rows, S5xSignature,
                         ::testing::Values(SignatureCase{Variant::S51, 0x000, 0x1E},
                                           SignatureCase{Variant::S51, 0x100, 0x51},
                                           SignatureCase{Variant::S51, 0x200, 0x06},
                                           SignatureCase{Variant::S52, 0x000, 0x1E},
                                           SignatureCase{Variant::S52, 0x100, 0x52},
                                           SignatureCase{Variant::S52, 0x200, 0x06},
                                           SignatureCase{Variant::S52, 0x080, 0xFF}));

// --- Byte and page programming ----------------------------------------------------

TEST_P(S5x, BytesRoundTripAfterErase)
{
    chip.flash().assign(chip.flash().size(), 0x00);
    enter();
    host.erase();
    waitErase();
    const int addresses[] = {0x0000, 0x0123, size() - 1};
    const uint8_t values[] = {0x5A, 0x00, 0x81};
    for (int i = 0; i < 3; ++i) {
        host.write(addresses[i], values[i]);
        waitCycle();
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(host.read(addresses[i]), values[i]) << addresses[i];
    EXPECT_EQ(host.read(0x0001), 0xFF);
    EXPECT_EQ(chip.stats().writes, 3u);
}

TEST_P(S5x, AddressBitsAboveTheFlashAreNotDecoded)
{
    enter();
    host.write(size() + 0x0ABC, 0x3C);
    waitCycle();
    EXPECT_EQ(chip.flash()[0x0ABC], 0x3C);
    EXPECT_EQ(host.read(0xE000 | 0x0ABC), 0x3C);
}

TEST_P(S5x, WritingWithoutEraseOnlyClearsBits)
{
    chip.flash()[0x0040] = 0xF0;
    enter();
    host.write(0x0040, 0x3C);
    waitCycle();
    EXPECT_EQ(host.read(0x0040), 0x30);
}

TEST_P(S5x, PageWriteThenByteReadsAndByteWritesThenPageRead)
{
    enter();
    const auto first = pattern(1);
    host.writePage(1, first);
    waitCycle(256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(host.read(0x100 + i), first[static_cast<std::size_t>(i)]) << i;

    const auto second = pattern(3);
    for (int i = 0; i < 256; ++i) {
        host.write(0x200 + i, second[static_cast<std::size_t>(i)]);
        waitCycle();
    }
    EXPECT_EQ(host.readPage(2), second);
    EXPECT_EQ(host.readPage(1), first);
    EXPECT_EQ(host.readPage(3), std::vector<uint8_t>(256, 0xFF));
    EXPECT_EQ(chip.stats().pageWrites, 1u);
    EXPECT_EQ(chip.stats().pageReads, 3u);
    EXPECT_EQ(host.enable(), 0x69) << "frames after the pages are still aligned";
}

TEST_P(S5x, PageWriteCutShortByResetWritesNothing)
{
    enter();
    wire.shiftByte(0x50);
    wire.shiftByte(0x00);
    for (int i = 0; i < 255; ++i)
        wire.shiftByte(0x00);
    wire.resetLow();
    waitCycle(256);
    EXPECT_EQ(chip.flash()[0x0000], 0xFF);
    EXPECT_EQ(chip.stats().frames(), 1u);
}

// gapNs: from a write's last bit to the last bit of the next write, or to
// the end of the read's byte 3, where its answer is fixed.
struct CycleCase {
    const char* name;
    int pageBytes;  // 0: a byte write; else a page ending in the byte
    int64_t gapNs;
    bool done;
    int64_t crystalHz = k12MHz;
};

void PrintTo(const CycleCase& c, std::ostream* os) { *os << c.name; }

class S5xCycle : public ::testing::TestWithParam<CycleCase> {
protected:
    Rig rig{Variant::S52, GetParam().crystalHz};
    At89s51And52& chip = rig.chip;
    BitBanger& wire = rig.wire;
    FourByteHost& host = rig.host;

    void writeFirst()
    {
        rig.enter();
        if (GetParam().pageBytes == 0) {
            host.write(0x00FF, 0x11);
            return;
        }
        std::vector<uint8_t> data(256, 0x00);
        data[255] = 0x11;
        host.writePage(0, data);
    }
};

TEST_P(S5xCycle, NextWriteIsTakenOnlyAfterTheCycle)
{
    writeFirst();
    wire.advance(GetParam().gapNs - wire.frameNs(4));
    host.write(0x0300, 0x22);
    wire.advance(kCycleNs);
    EXPECT_EQ(chip.flash()[0x0300], GetParam().done ? 0x22 : 0xFF);
}

TEST_P(S5xCycle, DataPollingComplementsBit7OfTheByteInItsCycle)
{
    writeFirst();
    wire.advance(GetParam().gapNs - wire.frameNs(3));
    EXPECT_EQ(host.read(0x00FF), GetParam().done ? 0x11 : 0x91);
}

INSTANTIATE_TEST_SUITE_P(
    Gaps, S5xCycle,
    ::testing::Values(CycleCase{"ByteJustUnder", 0, kCycleNs - 1, false},
                      CycleCase{"ByteAtTheLimit", 0, kCycleNs, true},
                      CycleCase{"PageJustUnder", 256, 256 * kCycleNs - 1, false},
                      CycleCase{"PageAtTheLimit", 256, 256 * kCycleNs, true},
                      CycleCase{"ByteTenUsShortAt3MHz", 0, kCycle3MHzNs - 10'000, false, k3MHz},
                      CycleCase{"PageAtTheLimitAt3MHz", 256, 256 * kCycle3MHzNs, true, k3MHz}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(S5xPage, BytesOfAPageProgramOneAfterAnother)
{
    Rig r(Variant::S51);
    r.chip.flash()[0x0005] = 0x77;
    r.enter();
    r.host.writePage(0, std::vector<uint8_t>(256, 0x42));
    // Byte 3 in its cycle; byte 5 not yet begun.
    r.wire.advance(3 * kCycleNs + kCycleNs / 2 - r.wire.frameNs(3));
    EXPECT_EQ(r.host.read(0x0003), 0xC2);
    EXPECT_EQ(r.host.read(0x0002), 0x42);
    EXPECT_EQ(r.host.read(0x0005), 0x77);
    EXPECT_TRUE(r.chip.busy(r.wire.now()));
}

TEST_P(S5x, NeverProgramsAddressKeepsItsValue)
{
    chip.setNeverPrograms(0x0042);
    enter();
    host.write(0x0042, 0x12);
    waitCycle();
    host.write(0x0043, 0x12);
    waitCycle();
    EXPECT_EQ(host.read(0x0042), 0xFF);
    EXPECT_EQ(host.read(0x0043), 0x12);
    EXPECT_EQ(chip.stats().writes, 2u);
}

// --- Erase and lock bits -----------------------------------------------------------

struct EraseCase {
    const char* name;
    int64_t gapNs;
    bool done;
};

void PrintTo(const EraseCase& c, std::ostream* os) { *os << c.name; }

class S5xErase : public ::testing::TestWithParam<EraseCase> {};

TEST_P(S5xErase, ClearsFlashAndLocksThenTakesWritesAfterTErase)
{
    Rig r(Variant::S52);
    r.chip.flash().assign(8192, 0x00);
    r.chip.setLockMode(4);
    r.enter();
    r.host.erase();
    EXPECT_EQ(r.chip.lockMode(), 1);
    for (uint8_t b : r.chip.flash())
        ASSERT_EQ(b, 0xFF);
    r.wire.advance(GetParam().gapNs - r.wire.frameNs(4));
    r.host.write(0x0000, 0x5A);
    r.wire.advance(kCycleNs);
    EXPECT_EQ(r.chip.flash()[0x0000], GetParam().done ? 0x5A : 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Gaps, S5xErase,
                         ::testing::Values(EraseCase{"JustUnder", kEraseNs - 1, false},
                                           EraseCase{"AtTheLimit", kEraseNs, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LockCase {
    int mode;
    uint8_t readBack;     // Read Lock Bits, byte 4
    bool writes;          // code still programmable
    bool verifies;        // code and signature readable
};

void PrintTo(const LockCase& c, std::ostream* os) { *os << "mode " << c.mode; }

class S5xLock : public ::testing::TestWithParam<LockCase> {};

TEST_P(S5xLock, ModesReachedInTurnProtectAsTheTableSays)
{
    const LockCase& c = GetParam();
    Rig r(Variant::S51);
    r.chip.flash()[0x0100] = 0xA5;
    r.enter();
    for (int m = 2; m <= c.mode; ++m)
        r.host.writeLock(m);
    EXPECT_EQ(r.chip.lockMode(), c.mode);
    EXPECT_EQ(r.host.readLock(), c.readBack);
    r.host.write(0x0101, 0x00);
    r.wire.advance(kCycleNs);
    EXPECT_EQ(r.chip.flash()[0x0101], c.writes ? 0x00 : 0xFF);
    EXPECT_EQ(r.host.read(0x0100), c.verifies ? 0xA5 : At89s51And52::kLockedRead);
    EXPECT_EQ(r.host.signature(0x100), c.verifies ? 0x51 : At89s51And52::kLockedRead);
    EXPECT_EQ(r.chip.lockText(), "mode " + std::to_string(c.mode) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, S5xLock,
                         ::testing::Values(LockCase{1, 0x00, true, true}, LockCase{2, 0x04, false, true},
                                           LockCase{3, 0x0C, false, false}, LockCase{4, 0x1C, false, false}),
                         [](const auto& info) { return "Mode" + std::to_string(info.param.mode); });

TEST_P(S5x, LockModesMustBeTakenInTurn)
{
    enter();
    host.writeLock(4);
    EXPECT_EQ(chip.lockMode(), 1);
    host.writeLock(3);
    EXPECT_EQ(chip.lockMode(), 1);
    host.writeLock(2);
    host.writeLock(2);
    host.writeLock(1);
    EXPECT_EQ(chip.lockMode(), 2) << "a lower mode never unprograms";
    EXPECT_EQ(chip.stats().lockWrites, 3u);
    EXPECT_EQ(chip.stats().ignored, 2u);
    host.erase();
    waitErase();
    EXPECT_EQ(host.readLock(), 0x00);
}

// --- SCK against the crystal --------------------------------------------------------

struct SckCase {
    const char* name;
    int64_t lowNs;
    int64_t highNs;
    bool clean;
};

void PrintTo(const SckCase& c, std::ostream* os) { *os << c.name; }

class S5xSck : public ::testing::TestWithParam<SckCase> {};

TEST_P(S5xSck, PhasesBelowEightCrystalPeriodsGiveGarbage)
{
    // 8 periods of 12 MHz round up to 667 ns.
    Rig r(Variant::S52);
    r.chip.setNoiseSeed(5);
    for (int i = 0; i < 256; ++i)
        r.chip.flash()[static_cast<std::size_t>(0x0100 + i)] = static_cast<uint8_t>(i);
    r.enter();
    r.wire.setPhasesNs(GetParam().lowNs, GetParam().highNs);
    const auto page = r.host.readPage(1);
    int right = 0;
    for (int i = 0; i < 256; ++i)
        right += page[static_cast<std::size_t>(i)] == i;
    if (GetParam().clean) {
        EXPECT_EQ(right, 256);
        EXPECT_EQ(r.chip.stats().garbledClocks, 0u);
    } else {
        EXPECT_LT(right, 32);
        EXPECT_GT(r.chip.stats().garbledClocks, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Phases, S5xSck,
                         ::testing::Values(SckCase{"AtTheLimit", 667, 667, true},
                                           SckCase{"LowTooShort", 666, 2'000, false},
                                           SckCase{"HighTooShort", 2'000, 666, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Statistics ------------------------------------------------------------------------

TEST_P(S5x, HistoryRecordsFramesAndModificationsCountRealChanges)
{
    enter();
    host.write(0x0010, 0xFF);
    waitCycle();
    EXPECT_EQ(chip.modificationCount(), 0u);
    host.write(0x0010, 0x0F);
    waitCycle();
    host.writePage(2, pattern(0));
    waitCycle(256);
    host.writeLock(2);
    EXPECT_EQ(chip.modificationCount(), 3u);
    const auto& h = chip.history();
    ASSERT_EQ(h.size(), 5u);
    EXPECT_EQ(h[0].kind, InstructionKind::Enable);
    EXPECT_EQ(h[0].length, 4);
    EXPECT_EQ(h[2].kind, InstructionKind::WriteCode);
    EXPECT_EQ(h[2].address, 0x0010);
    EXPECT_EQ(h[2].value, 0x0F);
    EXPECT_EQ(h[3].kind, InstructionKind::WritePage);
    EXPECT_EQ(h[3].address, 0x0200);
    EXPECT_EQ(h[3].length, 258);
    EXPECT_EQ(h[4].kind, InstructionKind::WriteLockBits);
    EXPECT_EQ(h[4].value, 0xE1);
}

} // namespace
