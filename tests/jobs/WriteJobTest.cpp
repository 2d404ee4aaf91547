// The write window's Start and Verify through the real driver over the
// simulated chip, in virtual time.
#include "JobFixture.h"

#include <ReadJob.h>
#include <WriteJob.h>
#include <WriteVerifyJob.h>

#include <ProgrammerSettings.h>

#include <filesystem>

using Buttons = JobFeedback::Buttons;
using Message = RecordingFeedback::Message;
using Mode = WriteJob::Mode;
using sim::InstructionKind;

namespace {

constexpr InstructionKind kEnable = InstructionKind::Enable;
constexpr InstructionKind kRead = InstructionKind::ReadCode;
constexpr InstructionKind kWrite = InstructionKind::WriteCode;
// The enable's probe for an AT89S51/52 ends in a frame the AT89S53 has no
// instruction for.
constexpr InstructionKind kProbe = InstructionKind::Unknown;

class WriteJobTest : public JobFixture {
protected:
    // The chip holds the pattern and the document has just read it all.
    void readWholeChip()
    {
        fillChipWithPattern();
        RecordingFeedback quiet;
        ReadJob(session(), image, quiet).run(0, 0x2FFF);
        chip().clearStats();
    }
    void edit(int address)
    {
        image.buffer[address] = static_cast<uint8_t>(~pattern(address));
        image.marks[address] = MarkChanged;
    }
    bool write(Mode mode, std::optional<int32_t> start, std::optional<int32_t> finish, int lockLevel = 0)
    {
        return WriteJob(session(), image, feedback, mode).run(start, finish, lockLevel);
    }
    // Write instructions seen on the wires, whether or not a chip took them.
    int writesSent()
    {
        int n = 0;
        for (const auto& i : tap->instructions())
            n += i[0] >= 0 && (i[0] & 0x03) == 0x02;
        return n;
    }
};

} // namespace

TEST_F(WriteJobTest, WriteChangesAfterAReadTouchesOnlyTheEditedBytes)
{
    readWholeChip();
    for (int a : {0x0005, 0x1234, 0x2FFE})
        edit(a);
    image.marks[0x0100] = MarkMismatch;

    EXPECT_TRUE(write(Mode::Changes, 0, 0x2FFF));

    // No read before writing; each written byte is read back once.
    EXPECT_EQ(history(), (std::vector<std::pair<InstructionKind, int>>{
                             {kEnable, -1}, {kProbe, -1}, {kWrite, 0x0005}, {kRead, 0x0005}, {kWrite, 0x1234},
                             {kRead, 0x1234}, {kWrite, 0x2FFE}, {kRead, 0x2FFE}}));
    for (int a = 0; a < 0x3000; ++a) {
        ASSERT_EQ(chip().flash()[a], image.buffer[a]) << a;
        ASSERT_EQ(image.chipCache[a], image.buffer[a]) << a;
        ASSERT_EQ(image.marks[a], MarkNone) << a;
    }
    EXPECT_EQ(stats().lockWrites, 0u);
    std::vector<int32_t> expected = span(0, 0x2F00, 0x100);
    expected.push_back(0);
    EXPECT_EQ(feedback.positions, expected);
    EXPECT_EQ(feedback.ranges, (decltype(feedback.ranges){{0, 0x2FFF}}));
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_FALSE(chip().inProgramming());
}

TEST_F(WriteJobTest, WriteChangesWithoutReadBackReadsNothing)
{
    readWholeChip();
    edit(0x0800);
    programmerSettings().readAfterWrite = 0;
    EXPECT_TRUE(write(Mode::Changes, std::nullopt, std::nullopt));
    EXPECT_EQ(history(), (std::vector<std::pair<InstructionKind, int>>{{kEnable, -1}, {kProbe, -1}, {kWrite, 0x0800}}));
    EXPECT_EQ(chip().flash()[0x0800], image.buffer[0x0800]);
}

TEST_F(WriteJobTest, WriteAllReadsEveryByteAndWritesOnlyTheDifferingOnes)
{
    readWholeChip();
    edit(0x0042);
    edit(0x2000);
    EXPECT_TRUE(write(Mode::All, 0, 0x2FFF));
    EXPECT_EQ(stats().reads, 0x3000u + 2);
    EXPECT_EQ(addressesOf(kWrite), (std::vector<int>{0x0042, 0x2000}));
    EXPECT_EQ(chip().flash()[0x2000], image.buffer[0x2000]);
}

TEST_F(WriteJobTest, AWrongChipCopyIsTrustedByWriteChangesOnly)
{
    readWholeChip();
    chip().flash()[0x40] = 0x00; // programmed behind the program's back
    EXPECT_TRUE(write(Mode::Changes, 0, 0xFF));
    EXPECT_EQ(stats().writes, 0u);
    EXPECT_EQ(stats().reads, 0u);
    EXPECT_EQ(chip().flash()[0x40], 0x00);

    EXPECT_TRUE(write(Mode::All, 0, 0xFF));
    EXPECT_EQ(addressesOf(kWrite), (std::vector<int>{0x40}));
    EXPECT_EQ(chip().flash()[0x40], pattern(0x40));
    EXPECT_EQ(image.chipCache[0x40], pattern(0x40));
}

TEST_F(WriteJobTest, WithoutReadBeforeWriteBothModesWriteEveryAddress)
{
    programmerSettings().readBeforeWrite = 0;
    for (Mode mode : {Mode::Changes, Mode::All}) {
        chip().clearStats();
        EXPECT_TRUE(write(mode, 0x10, 0x4F)); // image and chip both erased
        EXPECT_EQ(addressesOf(kWrite), span(0x10, 0x4F));
        EXPECT_EQ(addressesOf(kRead), span(0x10, 0x4F)) << "read back only";
    }
}

TEST_F(WriteJobTest, AnAbsentTargetFailsTheFirstAddressAfterFourAttempts)
{
    tap->sim.cable().setTarget(sim::Target::AbsentPulledHigh);
    std::fill_n(image.buffer.begin(), 0x3000, 0x00);
    image.marks[1] = MarkChanged;
    int releasesAtMessage = -1;
    int64_t quietBeforeMessage = 0;
    feedback.onMessage = [&] {
        releasesAtMessage = tap->releases();
        quietBeforeMessage = counter.ticks() - tap->times.back();
    };

    EXPECT_FALSE(write(Mode::Changes, 0, 0x2FFF, 2)) << "a failed write must not count as done";

    EXPECT_EQ(writesSent(), 4);
    EXPECT_EQ(tap->count({0x02, 0x00, 0x00}), 4);
    EXPECT_EQ(tap->count({0x01, 0x00, PortTap::kShiftIn}), 5) << "one read before, four read backs";
    EXPECT_EQ(tap->count({0x01, 0x01, PortTap::kShiftIn}), 0) << "address 1 is never handled";
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Error programming device", "ERROR", Buttons::Ok}}));
    EXPECT_EQ(releasesAtMessage, 0) << "the box comes before the release";
    EXPECT_GE(quietBeforeMessage, 2600) << "a failed attempt is followed by another written time";
    EXPECT_EQ(tap->releases(), 2);
    ASSERT_FALSE(tap->instructions().empty());
    EXPECT_EQ(tap->instructions().back(), (std::array<int, 3>{0xAC, 0x27, 0x00})) << "the lock goes out last";
    EXPECT_EQ(image.chipCache[0], 0xFF);
    EXPECT_EQ(image.chipCache[1], ChipUnknown);
    EXPECT_EQ(image.marks[1], MarkChanged);
    EXPECT_EQ(feedback.positions, (std::vector<int32_t>{0, 0}));
}

TEST_F(WriteJobTest, AByteThatNeverProgramsStopsTheJobThere)
{
    chip().setNeverPrograms(0x105);
    std::fill_n(image.buffer.begin() + 0x100, 0x10, 0x5A);
    image.marks[0x106] = MarkMismatch;

    EXPECT_FALSE(write(Mode::Changes, 0x100, 0x10F, 1));

    std::vector<int> expected = span(0x100, 0x104);
    expected.insert(expected.end(), 4, 0x105);
    EXPECT_EQ(addressesOf(kWrite), expected);
    EXPECT_EQ(chip().flash()[0x104], 0x5A);
    EXPECT_EQ(chip().flash()[0x106], 0xFF);
    EXPECT_EQ(image.chipCache[0x104], 0x5A);
    EXPECT_EQ(image.chipCache[0x105], 0xFF) << "the last read back";
    EXPECT_EQ(image.chipCache[0x106], ChipUnknown);
    EXPECT_EQ(image.marks[0x106], MarkMismatch);
    EXPECT_EQ(tap->count({0xAC, 0x67, 0x00}), 1);
    EXPECT_EQ(chip().lockMode(), 1) << "sent after the release, the lock does not reach the chip";
}

TEST_F(WriteJobTest, WithoutReadBackNoWriteFails)
{
    programmerSettings().readAfterWrite = 0;
    chip().setNeverPrograms(0x20);
    image.buffer[0x20] = 0x11;
    EXPECT_TRUE(write(Mode::Changes, 0x20, 0x20));
    EXPECT_EQ(image.chipCache[0x20], 0x11);
    EXPECT_EQ(chip().flash()[0x20], 0xFF);
    EXPECT_TRUE(feedback.messages.empty());
}

TEST_F(WriteJobTest, LockLevelsReachTheChip)
{
    const std::vector<std::pair<int, int>> levelToMode = {{-1, 1}, {0, 1}, {1, 2}, {2, 3}, {3, 4}, {7, 4}, {256, 4}};
    for (const auto& [level, mode] : levelToMode) {
        chip().setLockBits(sim::At89s53::kUnlocked);
        chip().clearStats();
        // Start after finish: no address is handled, the lock still goes out.
        EXPECT_TRUE(write(Mode::Changes, 0x10, 0x05, level));
        EXPECT_EQ(chip().lockMode(), mode) << level;
        EXPECT_EQ(stats().lockWrites, level > 0 ? 1u : 0u) << level;
        EXPECT_EQ(stats().reads + stats().writes, 0u) << level;
        EXPECT_FALSE(chip().inProgramming());
    }
}

TEST_F(WriteJobTest, ProgressMovesAtMultiplesOf256Only)
{
    EXPECT_TRUE(write(Mode::Changes, 0xF0, 0x210));
    EXPECT_EQ(feedback.ranges, (decltype(feedback.ranges){{0xF0, 0x210}}));
    EXPECT_EQ(feedback.positions, (std::vector<int32_t>{0x100, 0x200, 0}));
    feedback.positions.clear();
    EXPECT_TRUE(write(Mode::Changes, 0x101, 0x1FF));
    EXPECT_EQ(feedback.positions, (std::vector<int32_t>{0}));
}

TEST_F(WriteJobTest, RangeEdges)
{
    EXPECT_TRUE(write(Mode::Changes, 0x3000, 0x3));
    EXPECT_EQ(addressesOf(kRead), span(0, 3)) << "a start of 3000 starts at 0";

    chip().clearStats();
    image.buffer[0x3000] = 0x00; // left by some earlier file
    image.marks[0x3000] = MarkMismatch;
    EXPECT_TRUE(write(Mode::Changes, 0x2FF8, 0x3000));
    EXPECT_EQ(addressesOf(kRead), span(0x2FF8, 0x2FFF)) << "a finish of 3000 ends at the device's last byte";
    EXPECT_EQ(feedback.ranges.back(), (std::pair<int32_t, int32_t>{0x2FF8, 0x2FFF}));
    EXPECT_EQ(image.marks[0x3000], MarkMismatch);
    EXPECT_EQ(image.chipCache[0x3000], ChipUnknown);

    chip().clearStats();
    EXPECT_TRUE(write(Mode::All, 0x2FF8, 0x3001));
    EXPECT_EQ(addressesOf(kRead), span(0x2FF8, 0x2FFF)) << "a finish of 3001 becomes 2fff";
}

TEST_F(WriteJobTest, VerifyFillsTheChipCopyAndMarksTheDifference)
{
    fillChipWithPattern();
    for (int a = 0x300; a <= 0x3FF; ++a)
        image.buffer[a] = pattern(a);
    image.buffer[0x350] ^= 0x80;
    image.chipCache[0x300] = 0x00; // wrong, and not trusted
    bool released = false;
    feedback.onMessage = [&] { released = !chip().inProgramming(); };

    EXPECT_FALSE(WriteVerifyJob(session(), image, feedback).run(0x300, 0x3FF));

    EXPECT_EQ(addressesOf(kRead), span(0x300, 0x3FF));
    for (int a = 0x300; a <= 0x3FF; ++a) {
        ASSERT_EQ(image.chipCache[a], pattern(a)) << a;
        ASSERT_EQ(image.marks[a], a == 0x350 ? MarkMismatch : MarkNone) << a;
    }
    EXPECT_EQ(image.chipCache[0x2FF], ChipUnknown);
    EXPECT_EQ(feedback.messages, (std::vector<Message>{
                                     {"The contents of the CPU and the BUFFER doesn't match", "", Buttons::OkCancel}}));
    EXPECT_TRUE(released) << "the box comes after the release";
    std::vector<int32_t> expected = span(0x300, 0x3E0, 32);
    expected.push_back(0);
    EXPECT_EQ(feedback.positions, expected);
}

TEST_F(WriteJobTest, VerifyOfAMatchingChipSaysSo)
{
    image.marks[0x10] = MarkMismatch;
    EXPECT_TRUE(WriteVerifyJob(session(), image, feedback).run(0, 0x1F));
    EXPECT_EQ(image.marks[0x10], MarkNone);
    EXPECT_EQ(image.chipCache[0x1F], 0xFF);
    EXPECT_EQ(feedback.messages, (std::vector<Message>{
                                     {"The contents of the CPU and the BUFFER match", "", Buttons::OkCancel}}));
}

TEST_F(WriteJobTest, AChipFileThatCannotBeKeptFailsTheJob)
{
    char folder[] = "/tmp/vorlane-chip-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/chip.bin";
    useSim(file);
    ASSERT_TRUE(port().ready(0x378, nullptr));
    // The folder goes away under the running program.
    std::filesystem::remove_all(folder);
    image.buffer[0x10] = 0x12;
    EXPECT_FALSE(write(Mode::Changes, 0x10, 0x10)) << "a chip that forgets the write is no success";
    ASSERT_FALSE(feedback.messages.empty());
    EXPECT_EQ(feedback.messages.back().text.rfind("The simulated chip could not be kept in " + file + ": ", 0), 0u)
        << feedback.messages.back().text;
    EXPECT_EQ(feedback.messages.back().caption, "ERROR");
}

namespace {

// Data Polling on the model, whose write cycle each test sets itself.
class DataPollingTest : public WriteJobTest {
protected:
    void SetUp() override
    {
        WriteJobTest::SetUp();
        programmerSettings().pollWriteEnd = 1;
        programmerSettings().readBeforeWrite = 0;
    }
    void setWriteCycleUs(int64_t us)
    {
        sim::ChipTiming t = chip().timing();
        t.writeCycleNs = us * 1000;
        chip().setTiming(t);
    }
    // Virtual microseconds a Write Changes over the range takes.
    int64_t timeOf(int32_t start, int32_t finish, bool* ok = nullptr)
    {
        const int64_t t0 = counter.ticks();
        const bool written = write(Mode::Changes, start, finish);
        if (ok)
            *ok = written;
        return counter.ticks() - t0;
    }
    // The chip's answers to the reads after each write, by address.
    std::vector<std::vector<int>> readsAfterWrites()
    {
        std::vector<std::vector<int>> out;
        for (const auto& i : chip().history()) {
            if (i.kind == kWrite)
                out.emplace_back();
            else if (i.kind == kRead && !out.empty())
                out.back().push_back(i.value);
        }
        return out;
    }
};

} // namespace

TEST_F(DataPollingTest, EachByteEndsWhenTheChipIsDone)
{
    setWriteCycleUs(500);
    const int64_t bracket = timeOf(0x10, 0x05); // no address: the bracket alone
    for (int a = 0x100; a < 0x140; ++a)
        image.buffer[a] = pattern(a);
    chip().clearStats();

    bool ok = false;
    const int64_t polled = (timeOf(0x100, 0x13F, &ok) - bracket) / 64;
    EXPECT_TRUE(ok);
    const auto reads = readsAfterWrites();
    ASSERT_EQ(reads.size(), 64u) << "one write per byte";
    for (int i = 0; i < 64; ++i) {
        const int value = pattern(0x100 + i);
        ASSERT_GE(reads[i].size(), 3u) << i;
        // Polled while the cycle ran (bit 7 inverted), polled done, read back.
        for (size_t k = 0; k + 2 < reads[i].size(); ++k)
            ASSERT_EQ(reads[i][k], value ^ 0x80) << i;
        ASSERT_EQ(reads[i][reads[i].size() - 2], value) << i;
        ASSERT_EQ(reads[i].back(), value) << i;
        ASSERT_EQ(chip().flash()[0x100 + i], value);
        ASSERT_EQ(image.chipCache[0x100 + i], value);
    }
    EXPECT_LT(polled, 2600) << "a byte costs its cycle and a few instructions, not the written time";

    programmerSettings().pollWriteEnd = 0;
    chip().clearStats();
    const int64_t fixed = (timeOf(0x100, 0x13F, &ok) - bracket) / 64;
    EXPECT_TRUE(ok);
    EXPECT_GT(fixed, 2600);
    for (const auto& r : readsAfterWrites())
        ASSERT_EQ(r.size(), 1u) << "without polling: the read back only";
}

TEST_F(DataPollingTest, AByteThatNeverProgramsFailsAfterTheWrittenTime)
{
    setWriteCycleUs(500);
    int64_t opening = timeOf(0x10, 0x05); // reset and enable, then the release
    const int64_t t0 = counter.ticks();
    lineDriver().LeaveProgramming();
    opening -= counter.ticks() - t0;
    chip().setNeverPrograms(0x105);
    std::fill_n(image.buffer.begin() + 0x100, 0x10, 0x5A); // bit 7 clear; the cell stays 0xFF
    for (uint8_t readAfterWrite : {1, 0}) {
        programmerSettings().readAfterWrite = readAfterWrite;
        chip().clearStats();
        feedback.messages.clear();
        const int64_t before = counter.ticks();
        int64_t failedAfter = 0;
        feedback.onMessage = [&] { failedAfter = counter.ticks() - before - opening; };

        EXPECT_FALSE(write(Mode::Changes, 0x105, 0x10F)) << int(readAfterWrite);

        EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Error programming device", "ERROR", Buttons::Ok}}));
        EXPECT_EQ(addressesOf(kWrite), (std::vector<int>(4, 0x105)));
        const auto reads = readsAfterWrites();
        ASSERT_EQ(reads.size(), 4u);
        for (const auto& attempt : reads) {
            EXPECT_GT(attempt.size(), 1u);
            for (int r : attempt)
                ASSERT_NE(r & 0x80, 0) << "bit 7 never comes right";
        }
        // Each attempt polls until the written time is over, then waits
        // another written time before the next attempt: four of each, plus
        // one write and one last poll per attempt (here under 1000 us).
        EXPECT_GT(failedAfter, 4 * 2 * 2600);
        EXPECT_LT(failedAfter, 4 * (2 * 2600 + 1000));
        EXPECT_EQ(image.chipCache[0x105], 0xFF) << "the last byte read";
        EXPECT_EQ(image.chipCache[0x106], ChipUnknown);
    }
}

TEST_F(DataPollingTest, ASlowWriteCycleSucceedsWhileItEndsWithinTheWrittenTime)
{
    struct Case {
        int64_t cycleUs;
        bool written;
    };
    // The written time (2600 us) counts from the end of the write instruction;
    // a cycle that ends well after it fails, polled or not.
    for (const Case& c : {Case{2500, true}, Case{2580, true}, Case{2599, true}, Case{4000, false}}) {
        for (uint32_t poll : {1, 0}) {
            setWriteCycleUs(c.cycleUs);
            programmerSettings().pollWriteEnd = poll;
            chip().flash()[0x20] = 0xFF;
            image.buffer[0x20] = 0x11;
            feedback.messages.clear();
            EXPECT_EQ(write(Mode::Changes, 0x20, 0x20), c.written) << c.cycleUs << " us, polling " << poll;
            EXPECT_EQ(feedback.messages.size(), c.written ? 0u : 1u);
        }
    }
}
