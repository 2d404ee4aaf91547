// Line phases in virtual time when every port access takes time of its own:
// the wait counts from the reading taken before the access, so a phase is
// its setting, not its setting plus the access.
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

    // A wait of `us` between two writes: its floor(us * f / 1e6) + 1 ticks,
    // the reading that passes them, and the next write's own reading.
    static int64_t phase(int64_t us) { return us * 100 + 3; }

    const int64_t access = GetParam() / 10; // ticks

    FakeCounter clock{kFrequency};
    ClockedBackend* backend = nullptr;
};

} // namespace

TEST_P(PhaseTimingTest, EveryGapIsItsSettingWhateverTheAccessCosts)
{
    LineDriver& d = lineDriver();
    d.EnterProgramming();
    d.ShiftOut(0xA5);
    d.ShiftIn();
    d.ShiftIn();
    d.LeaveProgramming();

    // The first write of all counts from its end: no access timed yet.
    std::vector<int64_t> expected = {phase(12000) + 1 + access, phase(1000), phase(40)};
    for (int bit = 0; bit < 8; ++bit) {
        expected.push_back(phase(5));
        expected.push_back(phase(3));
    }
    expected.push_back(phase(2)); // the tail after the last bit
    // A ShiftIn's up phase holds the status read as well. The read ends with
    // the phase, timed by the read before it; the first of a job has none
    // and follows the wait. A few more counter readings than a plain phase.
    const int64_t firstUp = phase(3) + 3 + access;
    const int64_t up = std::max(phase(3) + 2, 2 * access + 6);
    for (int bit = 0; bit < 16; ++bit) {
        expected.push_back(bit == 0 ? firstUp : up);
        expected.push_back(phase(5));
    }
    expected.insert(expected.end(), {phase(1000), phase(1000), phase(1000)});
    EXPECT_EQ(backend->writeGaps(), expected);
}

TEST_P(PhaseTimingTest, WaitsAfterAnInstructionAddUpFromItsLastLineChange)
{
    // The write job's written time follows the 2 us tail of the instruction.
    lineDriver().EnterProgramming();
    lineDriver().ShiftOut(0x00);
    lineDriver().DelayMicroseconds(2600);
    lineDriver().WriteData(0x00);
    EXPECT_EQ(backend->writeGaps().back(), phase(2) + 2600 * 100 + 2);
}

TEST_P(PhaseTimingTest, AHeldUpAccessLengthensItsPhaseNeverShortensIt)
{
    // Held up before its line changed, as far as the driver can tell: the
    // phase after it counts from that much later.
    lineDriver().EnterProgramming();
    const std::size_t first = backend->writeCount();
    backend->holdUpWrite(first + 3, 5000); // the second bit's SCK rise
    lineDriver().ShiftOut(0x00);
    const std::vector<int64_t> gaps = backend->writeGaps();
    EXPECT_EQ(gaps[first + 3], phase(3) + 5000);
    EXPECT_EQ(gaps[first + 4], phase(5)) << "the next write is quick again";
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
