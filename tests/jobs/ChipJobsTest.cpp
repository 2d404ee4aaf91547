// Read, verify, blank check, erase and reset through the real driver over
// the simulated chip, in virtual time.
#include "JobFixture.h"

#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <ReadJob.h>
#include <ResetJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>
#include <WriteVerifyJob.h>

#include <NoneBackend.h>

#include <functional>

using Buttons = JobFeedback::Buttons;
using Message = RecordingFeedback::Message;
using sim::InstructionKind;

namespace {
class ChipJobsTest : public JobFixture {};
}

TEST_F(ChipJobsTest, ReadFillsImageAndChipCopyOverTheWholeDevice)
{
    fillChipWithPattern();
    image.marks[5] = MarkChanged; // the Read command clears marks, not the job
    ReadJob(session(), image, feedback).run(0, 0x2FFF);

    for (int a = 0; a < 0x3000; ++a) {
        ASSERT_EQ(image.buffer[a], pattern(a)) << a;
        ASSERT_EQ(image.chipCache[a], pattern(a)) << a;
    }
    EXPECT_EQ(image.chipCache[0x3000], ChipUnknown);
    EXPECT_EQ(image.marks[5], MarkChanged);
    EXPECT_EQ(stats().reads, 0x3000u);
    EXPECT_EQ(stats().enables, 1u);
    EXPECT_EQ(stats().writes + stats().erases + stats().lockWrites, 0u);
    EXPECT_EQ(stats().garbledClocks, 0u) << "the release lifts SCK as RST falls: no clock";
    EXPECT_FALSE(chip().inProgramming());

    std::vector<int32_t> expected;
    for (int a = 0; a <= 0x2FC0; a += 0x40)
        expected.push_back(a);
    expected.push_back(0);
    EXPECT_EQ(feedback.ranges, (decltype(feedback.ranges){{0, 0x2FFF}}));
    EXPECT_EQ(feedback.positions, expected);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(ChipJobsTest, ReadOfAShortRangeMovesTheBarAtEveryAddress)
{
    fillChipWithPattern();
    ReadJob(session(), image, feedback).run(0x100, 0x120);
    std::vector<int32_t> expected = span(0x100, 0x120);
    expected.push_back(0);
    EXPECT_EQ(feedback.positions, expected);
    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), span(0x100, 0x120));
    EXPECT_EQ(image.buffer[0xFF], 0xFF);
    EXPECT_EQ(image.chipCache[0x121], ChipUnknown);
}

TEST_F(ChipJobsTest, ReadSpanningSixtyFourAddressesMovesEverySixtyFourth)
{
    ReadJob(session(), image, feedback).run(0x100, 0x140);
    EXPECT_EQ(feedback.positions, (std::vector<int32_t>{0x100, 0x140, 0}));
}

TEST_F(ChipJobsTest, ReadToOnePastTheDeviceStopsAtItsLastByte)
{
    fillChipWithPattern();
    EXPECT_TRUE(ReadJob(session(), image, feedback).run(0x2FF0, 0x3000));
    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), span(0x2FF0, 0x2FFF));
    EXPECT_EQ(feedback.ranges, (decltype(feedback.ranges){{0x2FF0, 0x2FFF}}));
    EXPECT_EQ(image.buffer[0x2FFF], pattern(0x2FFF));
    EXPECT_EQ(image.chipCache[0x3000], ChipUnknown);
}

TEST_F(ChipJobsTest, ReadClampsItsRange)
{
    fillChipWithPattern();
    ReadJob(session(), image, feedback).run(0x3000, 0x10);
    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), span(0, 0x10));
    EXPECT_EQ(feedback.ranges, (decltype(feedback.ranges){{0, 0x10}}));
}

TEST_F(ChipJobsTest, ReadWithStartAfterFinishReadsNothing)
{
    ReadJob(session(), image, feedback).run(0x20, 0x10);
    EXPECT_EQ(stats().reads, 0u);
    EXPECT_EQ(stats().enables, 1u);
    EXPECT_EQ(feedback.positions, (std::vector<int32_t>{0}));
    EXPECT_FALSE(chip().inProgramming());
}

TEST_F(ChipJobsTest, VerifyMarksExactlyTheDifferingBytesAndWarnsBeforeTheRelease)
{
    fillChipWithPattern();
    for (int a = 0x200; a <= 0x2FF; ++a)
        image.buffer[a] = pattern(a);
    image.buffer[0x210] ^= 0x01;
    image.buffer[0x2FF] = 0x00;
    image.marks[0x1FF] = MarkChanged; // outside the range
    image.marks[0x220] = MarkMismatch; // a previous verify's, now matching
    bool heldInProgramming = false;
    feedback.onMessage = [&] { heldInProgramming = chip().inProgramming(); };

    EXPECT_FALSE(VerifyJob(session(), image, feedback).run(0x200, 0x2FF));

    for (int a = 0x200; a <= 0x2FF; ++a)
        ASSERT_EQ(image.marks[a], (a == 0x210 || a == 0x2FF) ? MarkMismatch : MarkNone) << a;
    EXPECT_EQ(image.marks[0x1FF], MarkChanged);
    for (int a = 0; a < kImageCapacity; ++a)
        ASSERT_EQ(image.chipCache[a], ChipUnknown) << a;
    EXPECT_EQ(feedback.messages, (std::vector<Message>{
                                     {"The contents of the IC and the buffer doesn't match", "ERROR", Buttons::Ok}}));
    EXPECT_TRUE(heldInProgramming);
    EXPECT_FALSE(chip().inProgramming());
    std::vector<int32_t> expected = span(0x200, 0x2FF, 32);
    expected.push_back(0);
    EXPECT_EQ(feedback.positions, expected);
}

TEST_F(ChipJobsTest, VerifyWhereEverythingMatchesShowsNothing)
{
    image.marks[0x10] = MarkMismatch;
    image.buffer[0x3000] = 0x00; // past the device: never compared
    EXPECT_TRUE(VerifyJob(session(), image, feedback).run(0, 0x3000));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_EQ(image.marks[0x10], MarkNone);
    // Only 0xFF read: 0xFF written over the first byte shows a chip is there.
    EXPECT_EQ(stats().reads, 0x3000u + 1);
    EXPECT_EQ(addressesOf(InstructionKind::WriteCode), std::vector<int>{0});
}

TEST_F(ChipJobsTest, BlankCheckReadsTheFinishAddressToo)
{
    // The only programmed byte is the last one of the range.
    chip().flash()[0x2FFF] = 0x00;
    bool released = false;
    feedback.onMessage = [&] { released = !chip().inProgramming(); };

    EXPECT_FALSE(BlankCheckJob(session(), image, feedback).run(0, 0x2FFF));

    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), span(0, 0x2FFF));
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Memory isn't blanck", "", Buttons::Ok}}));
    EXPECT_TRUE(released);
    EXPECT_EQ(feedback.ranges, (decltype(feedback.ranges){{0, 0x2FFF}}));
    EXPECT_EQ(feedback.positions, span(0, 0x2FC0, 64)) << "no return to 0: the window closes";
}

TEST_F(ChipJobsTest, BlankCheckStopsAtTheFirstProgrammedByte)
{
    chip().flash()[0x1000] = 0xFE;
    chip().flash()[0x2000] = 0x00;
    image.buffer[0x1000] = 0x12;
    image.marks[0x1000] = MarkChanged;

    EXPECT_FALSE(BlankCheckJob(session(), image, feedback).run(std::nullopt, std::nullopt));

    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), span(0, 0x1000));
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Memory isn't blanck", "", Buttons::Ok}}));
    EXPECT_EQ(image.buffer[0x1000], 0x12);
    EXPECT_EQ(image.chipCache[0x1000], ChipUnknown);
    EXPECT_EQ(image.marks[0x1000], MarkChanged);
    EXPECT_FALSE(chip().inProgramming());
}

TEST_F(ChipJobsTest, BlankCheckOfASingleAddressReadsIt)
{
    chip().flash()[0x40] = 0x00;
    EXPECT_FALSE(BlankCheckJob(session(), image, feedback).run(0x40, 0x40));
    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), (std::vector<int>{0x40}));
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Memory isn't blanck", "", Buttons::Ok}}));
}

TEST_F(ChipJobsTest, BlankCheckOfAnAbsentTargetIsNotBlank)
{
    tap->sim.cable().setTarget(sim::Target::AbsentPulledLow);
    EXPECT_FALSE(BlankCheckJob(session(), image, feedback).run(0, 0x2FFF));
    EXPECT_EQ(tap->count({0x01, 0x00, PortTap::kShiftIn}), 1);
}

TEST_F(ChipJobsTest, EraseReadsTheChipBackAndThenSetsTheChipCopy)
{
    fillChipWithPattern();
    image.buffer[0x10] = 0x55;
    image.marks[0x10] = MarkChanged;
    image.marks[0x11] = MarkMismatch;
    image.chipCache[0x12] = 0x34;

    EXPECT_TRUE(EraseJob(session(), image, feedback).run());

    for (int a = 0; a < 0x3000; ++a) {
        ASSERT_EQ(chip().flash()[a], 0xFF) << a;
        ASSERT_EQ(image.chipCache[a], 0xFF) << a;
    }
    EXPECT_EQ(image.chipCache[0x3000], ChipUnknown);
    EXPECT_EQ(image.buffer[0x10], 0x55);
    EXPECT_EQ(image.buffer[0x11], 0xFF);
    EXPECT_EQ(image.marks[0x10], MarkChanged);
    EXPECT_EQ(image.marks[0x11], MarkMismatch);
    EXPECT_EQ(stats().erases, 1u);
    // One byte write of 0xFF over the erased byte 0 to see the chip answer
    // with Data Polling, then every byte read back.
    EXPECT_EQ(addressesOf(InstructionKind::WriteCode), (std::vector<int>{0}));
    std::vector<int> reads = span(0, 0x2FFF);
    reads.insert(reads.begin(), 0);
    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), reads);
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Memory erased", "", Buttons::Ok}}));
    EXPECT_FALSE(chip().inProgramming());
}

TEST_F(ChipJobsTest, AnEraseTheChipDoesNotShowIsAFailureAndForgetsTheChip)
{
    const char* noAnswer = "No answer from the chip: check power, the cable and the port";
    const struct {
        const char* what;
        sim::Target target;
        uint8_t idleByte;
        std::string message;
    } cases[] = {
        {"no target, MISO pulled high", sim::Target::AbsentPulledHigh, 0x00, noAnswer},
        {"the reset line of the wrong polarity", sim::Target::Present, 0x01, noAnswer},
        {"no target, MISO pulled low", sim::Target::AbsentPulledLow, 0x00,
         "Memory not erased: address 0000 reads 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fillChipWithPattern();
        tap->sim.cable().setTarget(c.target);
        programmerSettings().idleByte = c.idleByte;
        std::fill(image.chipCache.begin(), image.chipCache.end(), 0x12);
        feedback.messages.clear();

        EXPECT_FALSE(EraseJob(session(), image, feedback).run());

        EXPECT_EQ(feedback.messages, (std::vector<Message>{{c.message, "ERROR", Buttons::Ok}}));
        EXPECT_EQ(image.chipCache[0], ChipUnknown);
        EXPECT_EQ(image.chipCache[0x2FFF], ChipUnknown);
        EXPECT_EQ(chip().flash()[1], pattern(1)) << "the chip was never erased";
    }
}

TEST_F(ChipJobsTest, ResetPulsesIntoProgrammingAndReleases)
{
    ResetJob(session()).run();
    // Enter's reset pulse, then the release with both state options set.
    EXPECT_EQ(tap->events, (std::vector<int>{0x00, 0x01, 0x00, 0x00, 0x04, 0x07, 0xFF}));
    EXPECT_EQ(stats().frames(), 0u);
    EXPECT_FALSE(chip().inProgramming());
}

TEST_F(ChipJobsTest, AnImpossibleDeviceSizeStaysInsideTheImage)
{
    image.deviceSize = INT32_MAX;
    ReadJob(session(), image, feedback).run(0x4FF0, 0x7FFFFFFE);
    EXPECT_EQ(feedback.ranges, (decltype(feedback.ranges){{0x4FF0, 0x4FFF}}));
    ReadJob(session(), image, feedback).run(0x4FF0, 0x5000);
    EXPECT_EQ(image.chipCache[kImageCapacity - 1], 0xFF);
    EXPECT_EQ(stats().reads, 16u + 16u + 2u) << "each read of only 0xFF probes for the chip";

    EXPECT_TRUE(EraseJob(session(), image, feedback).run());
    for (int a = 0; a < kImageCapacity; ++a)
        ASSERT_EQ(image.chipCache[a], 0xFF) << a;
}

TEST_F(ChipJobsTest, NoInstructionGoesOutForAnAddressPastTheDevice)
{
    // A byte an earlier, longer binary left past the device.
    image.buffer[0x3000] = 0x00;
    ReadJob(session(), image, feedback).run(0x2FF0, 0x3000);
    VerifyJob(session(), image, feedback).run(0x2FF0, 0x3000);
    BlankCheckJob(session(), image, feedback).run(0x2FF0, 0x3000);
    WriteJob(session(), image, feedback, WriteJob::Mode::All).run(0x2FF0, 0x3000, 0);
    WriteVerifyJob(session(), image, feedback).run(0x2FF0, 0x3000);
    for (const auto& i : chip().history())
        ASSERT_LT(i.address, 0x3000);
    // Four jobs that read only 0xFF probe for the chip at 0x2FF0.
    EXPECT_EQ(stats().reads, 16u * 5u + 4u);
    // Nothing ignored but the frame that ends each enable's probe for an AT89S51/52.
    for (const auto& i : chip().history())
        EXPECT_TRUE(!i.ignored || i.kind == InstructionKind::Unknown);
}

TEST_F(ChipJobsTest, WithoutAPortEveryJobFailsAtOnceWithItsReason)
{
    const std::string reason = "No port: VORLANE_PORT=none";
    port().installBackend(std::make_unique<NoneBackend>(reason));
    programmerSettings().readAfterWrite = 0; // nothing else would notice
    const Message why{reason, "ERROR", Buttons::Ok};
    const Message failed{"Error programming device", "ERROR", Buttons::Ok};
    const struct {
        const char* job;
        std::function<bool()> run;
        std::vector<Message> messages;
    } cases[] = {
        {"read", [&] { return ReadJob(session(), image, feedback).run(0, 0x2FFF); }, {why}},
        {"verify", [&] { return VerifyJob(session(), image, feedback).run(0, 0x2FFF); }, {why}},
        {"blank check", [&] { return BlankCheckJob(session(), image, feedback).run(0, 0x2FFF); }, {why}},
        {"erase", [&] { return EraseJob(session(), image, feedback).run(); }, {why}},
        {"write", [&] { return WriteJob(session(), image, feedback, WriteJob::Mode::Changes).run(0, 0x2FFF, 1); }, {why, failed}},
        {"write's verify", [&] { return WriteVerifyJob(session(), image, feedback).run(0, 0x2FFF); }, {why}},
    };
    image.chipCache.fill(0x12);
    const DeviceImage before = image;
    for (const auto& c : cases) {
        feedback.messages.clear();
        EXPECT_FALSE(c.run()) << c.job;
        EXPECT_EQ(feedback.messages, c.messages) << c.job;
        EXPECT_EQ(image.buffer, before.buffer) << c.job;
        EXPECT_EQ(image.chipCache, before.chipCache) << c.job;
        EXPECT_EQ(image.marks, before.marks) << c.job;
    }
    std::string resetWhy;
    EXPECT_FALSE(ResetJob(session()).run(&resetWhy));
    EXPECT_EQ(resetWhy, reason);
}
