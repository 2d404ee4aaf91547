// The AT89S51/52 timed by the crystal set: a write job through the real
// driver over an AT89S52 model on a board of its own crystal, in virtual
// time, the line changes as the pins show them.
#include "RecordingFeedback.h"

#include <ClockedBackend.h>
#include <LinkFixture.h>

#include <WriteJob.h>

#include <algorithm>
#include <climits>

namespace {

struct CrystalCase {
    const char* name;
    uint32_t settingHz; // the crystal set; 0: the default settings
    int64_t boardHz;    // the model's
    uint32_t upDownUs;  // Up and Down Time
    int64_t phaseNs;    // the shortest SCK phase the pins show; 0: the chip garbles
    int64_t writeUs;    // the wait after each byte write
};

void PrintTo(const CrystalCase& c, std::ostream* os) { *os << c.name; }

class CrystalTimingTest : public LinkFixture, public ::testing::WithParamInterface<CrystalCase> {};

} // namespace

TEST_P(CrystalTimingTest, TheHostClocksAndWaitsAsTheCrystalSetAllows)
{
    const CrystalCase& c = GetParam();
    FakeCounter clock(100'000'000); // a tick per 10 ns
    SetCounterForTesting(&clock);
    ProgrammerSettings& s = programmerSettings();
    s.device = static_cast<uint32_t>(DeviceId::AT89S52);
    if (c.settingHz) {
        s.crystalHz = c.settingHz;
        s.upTimeUs = s.downTimeUs = c.upDownUs;
    }
    s.resetTimeUs = 10'000; // the chip's settling time: less virtual time
    auto board = std::make_unique<SimBackend>(std::string(), 0, DeviceId::AT89S52);
    board->setCrystalHz(c.boardHz);
    SimBackend& sim = *board;
    auto owned = std::make_unique<ClockedBackend>(clock, 0, std::move(board));
    const ClockedBackend& wires = *owned;
    port().installBackend(std::move(owned));

    DeviceImage image;
    image.deviceSize = 0x2000;
    image.buffer[0x0110] = 0x11, image.buffer[0x0177] = 0x77, image.buffer[0x01FF] = 0x5A;
    RecordingFeedback feedback;
    const bool ok = WriteJob(session(), image, feedback, WriteJob::Mode::Changes).run(0x0100, 0x01FF, 0);
    const auto flash = sim.model().flashBytes();
    EXPECT_EQ(ok && flash[0x0110] == 0x11 && flash[0x0177] == 0x77 && flash[0x01FF] == 0x5A, c.phaseNs > 0);
    EXPECT_EQ(sim.model().stats().garbledClocks == 0, c.phaseNs > 0);
    if (c.phaseNs == 0)
        return;

    // SCK is D1: a phase runs from the end of the write that moved it to the
    // start of the next that does. The write waits are the pauses of 0.3 to
    // 0.9 ms, each after the low phase that ends a write instruction.
    ASSERT_FALSE(wires.accesses.empty());
    int64_t shortest = INT64_MAX;
    std::vector<int64_t> waits;
    const ClockedBackend::Access* moved = &wires.accesses.front();
    const ClockedBackend::Access* last = moved;
    for (const auto& a : wires.accesses) {
        if (a.operation != 'W')
            continue;
        if ((a.value ^ moved->value) & 0x02) {
            shortest = std::min(shortest, (a.at - moved->end) * 10);
            moved = &a;
        }
        if (a.at - last->end > 30'000 && a.at - last->end < 90'000)
            waits.push_back((a.at - last->end) * 10 - c.phaseNs - c.writeUs * 1000);
        last = &a;
    }
    EXPECT_GE(shortest, c.phaseNs);
    EXPECT_LT(shortest, c.phaseNs + 50);
    EXPECT_EQ(waits.size(), 3u);
    for (const int64_t over : waits)
        EXPECT_TRUE(over >= 0 && over < 100) << over << " ns over";
}

// The default on the 3 MHz worst case; 12 and 24 MHz set and on the board,
// the phases set below the crystal's; a host one crystal period short of
// the 3 MHz board's phases; one set to a faster crystal than its board's.
INSTANTIATE_TEST_SUITE_P(Boards, CrystalTimingTest,
                         ::testing::Values(CrystalCase{"Default", 0, 3'000'000, 2, 2'667, 422},
                                           CrystalCase{"At12MHz", 12'000'000, 12'000'000, 2, 2'000, 406},
                                           CrystalCase{"At24MHzBelowTheCrystal", 24'000'000, 24'000'000, 0, 334, 403},
                                           CrystalCase{"OnePeriodShort", 3'428'572, 3'000'000, 2, 0, 0},
                                           CrystalCase{"FasterThanTheBoard", 12'000'000, 3'000'000, 2, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });
