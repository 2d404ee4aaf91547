// Line phases in virtual time when every port access takes time of its own:
// a wait counts from the end of the access that changed the line, so the
// pins show each phase at least its setting wherever in its access a line
// changed, and a slow access lengthens a phase but never shortens the next.
#include <ClockedBackend.h>
#include <IspProgrammer.h>
#include <LinkFixture.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int64_t kFrequency = 100'000'000;  // one tick per 10 ns

class PhaseTimingTest : public LinkFixture, public ::testing::WithParamInterface<int64_t> {
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        SetCounterForTesting(&clock);
        lineDriver().RefreshTimerFrequency();
        programmerSettings().upTimeUs = 3;
        programmerSettings().downTimeUs = 5;
        programmerSettings().resetTimeUs = 40;
        auto owned = std::make_unique<ClockedBackend>(clock, access);
        backend = owned.get();
        port().installBackend(std::move(owned));
    }

    // A wait of `us` from a write's end to the next write's start: the
    // reading that ends the write, its floor(us * f / 1e6) + 1 ticks, the
    // reading that passes them, and the next write's own reading.
    static int64_t phase(int64_t us) { return us * 100 + 4; }

    const int64_t access = GetParam() / 10; // ticks

    FakeCounter clock{kFrequency};
    ClockedBackend* backend = nullptr;
};

} // namespace

TEST_P(PhaseTimingTest, EveryPhaseAtThePinsIsItsSettingWhateverTheAccessCosts)
{
    LineDriver& d = lineDriver();
    d.EnterProgramming();
    d.ShiftOut(0xA5);
    d.ShiftIn();
    d.ShiftIn();
    d.LeaveProgramming();

    std::vector<int64_t> expected = {phase(12000), phase(1000), phase(40)};
    for (int bit = 0; bit < 8; ++bit) {
        expected.push_back(phase(5));
        expected.push_back(phase(3));
    }
    expected.push_back(phase(5)); // MOSI back to rest: SCK's low phase before a read
    // A ShiftIn's up phase holds the status read as well, at its end: one
    // reading more.
    for (int bit = 0; bit < 16; ++bit) {
        expected.push_back(phase(3) + 1);
        expected.push_back(phase(5));
    }
    expected.insert(expected.end(), {phase(1000), phase(1000), phase(1000)});
    EXPECT_EQ(backend->pinPhases(), expected);
    // Each status read begins once SCK has been up its 3 us even counted
    // from the start of the write that raised it.
    const auto& all = backend->accesses;
    for (std::size_t i = 1; i < all.size(); ++i) {
        if (all[i].operation == 'R') {
            EXPECT_GE(all[i].at - all[i - 1].at, 300) << "read " << i;
        }
    }
}

TEST_P(PhaseTimingTest, WaitsAfterAnInstructionAddUpFromItsLastLineChange)
{
    // The write job's written time follows the low phase that ends the instruction.
    lineDriver().EnterProgramming();
    lineDriver().ShiftOut(0x00);
    lineDriver().DelayMicroseconds(2600);
    lineDriver().WriteData(0x00);
    EXPECT_EQ(backend->pinPhases().back(), phase(5) + 2600 * 100 + 2);
}

TEST_P(PhaseTimingTest, AHeldUpAccessLengthensItsPhaseNeverShortensIt)
{
    // Held up before its line changed, or after: the phase after it counts
    // from its end all the same.
    lineDriver().EnterProgramming();
    const std::size_t first = backend->writeCount();
    backend->holdUpWrite(first + 3, 5000); // the second bit's SCK rise
    lineDriver().ShiftOut(0x00);
    EXPECT_EQ(backend->writeGaps()[first + 3], access + 5000 + phase(3));
    EXPECT_EQ(backend->pinPhases()[first + 3], phase(3));
    EXPECT_EQ(backend->pinPhases()[first + 4], phase(5)) << "the next write is quick again";
}

TEST_P(PhaseTimingTest, HeldUpAccessesNeverGarbleTheChip)
{
    // The simulated chip behind the costly port, every fifth write held up
    // 40 us before the chip sees it: the phases after them must still be
    // long enough for the chip (2 us at the default timing, 1.7 us needed).
    programmerSettings() = DefaultProgrammerSettings();
    auto sim = std::make_unique<SimBackend>();
    SimBackend& chip = *sim;
    auto owned = std::make_unique<ClockedBackend>(clock, access, std::move(sim));
    ClockedBackend& costly = *owned;
    port().installBackend(std::move(owned));
    for (std::size_t w = 4; w < 20000; w += 5)
        costly.holdUpWrite(w, 4000);

    IspProgrammer isp(lineDriver());
    lineDriver().RefreshTimerFrequency();
    lineDriver().EnterProgramming();
    isp.ProgrammingEnable();
    for (uint16_t a = 0x40; a < 0x48; ++a) {
        isp.WriteCodeByte(a, static_cast<uint8_t>(a * 3));
        lineDriver().DelayMicroseconds(programmerSettings().writtenTimeUs);
    }
    for (uint16_t a = 0x40; a < 0x48; ++a)
        EXPECT_EQ(isp.ReadCodeByte(a), static_cast<uint8_t>(a * 3));
    ASSERT_GT(costly.writeCount(), 800u);
    EXPECT_EQ(chip.chip().stats().garbledClocks, 0u);
    lineDriver().LeaveProgramming();
}

// Nanoseconds per access: free, direct I/O, ppdev.
INSTANTIATE_TEST_SUITE_P(AccessCosts, PhaseTimingTest, ::testing::Values(0, 1000, 1900));
