// What the terminal tool asks of the jobs: keep to a set of addresses, stop
// before the next address when asked, and lock on its own. Through the real
// driver over the simulated chip, in virtual time.
#include "JobFixture.h"

#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <LockJob.h>
#include <ReadJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>
#include <WriteVerifyJob.h>

#include <NoneBackend.h>

using sim::InstructionKind;

namespace {

// Asks to stop on the n-th question (1 is the first), and on every one after.
class StoppingFeedback : public RecordingFeedback {
public:
    explicit StoppingFeedback(int n) : n_(n) {}
    bool stopRequested() override { return ++asked_ >= n_; }

private:
    int n_;
    int asked_ = 0;
};

class JobLimitsTest : public JobFixture {
protected:
    ImageCoverage addresses(std::initializer_list<int> list)
    {
        ImageCoverage set;
        for (int a : list)
            set.set(static_cast<size_t>(a));
        return set;
    }
};

} // namespace

TEST_F(JobLimitsTest, JobsKeepToTheirAddresses)
{
    fillChipWithPattern();
    const ImageCoverage only = addresses({0x10, 0x12, 0x2FFF});
    for (int a = 0x10; a <= 0x13; ++a)
        image.buffer[a] = static_cast<uint8_t>(~pattern(a));
    image.marks[0x11] = MarkChanged;

    WriteJob write(session(), image, feedback, WriteJob::Mode::All);
    write.limitTo(&only);
    EXPECT_TRUE(write.run(0x10, 0x13, 0));
    EXPECT_EQ(history(), (std::vector<std::pair<InstructionKind, int>>{{InstructionKind::Enable, -1},
                                                                        {InstructionKind::Unknown, -1},
                                                                        {InstructionKind::ReadCode, 0x10},
                                                                        {InstructionKind::WriteCode, 0x10},
                                                                        {InstructionKind::ReadCode, 0x10},
                                                                        {InstructionKind::ReadCode, 0x12},
                                                                        {InstructionKind::WriteCode, 0x12},
                                                                        {InstructionKind::ReadCode, 0x12}}));
    EXPECT_EQ(chip().flash()[0x11], pattern(0x11));
    EXPECT_EQ(chip().flash()[0x13], pattern(0x13));
    EXPECT_EQ(image.marks[0x11], MarkChanged) << "an address passed over is not touched at all";
    EXPECT_EQ(image.chipCache[0x11], ChipUnknown);
    EXPECT_EQ(write.report().written, 2);

    // A set serves reads, compares and blank checks too; a range of the
    // device's last byte alone reads that byte alone.
    chip().clearStats();
    const ImageCoverage last = addresses({0x2FFF});
    ReadJob read(session(), image, feedback);
    read.limitTo(&last);
    EXPECT_TRUE(read.run(0x2FFF, 0x2FFF));
    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), std::vector<int>{0x2FFF});
    chip().clearStats();
    VerifyJob verify(session(), image, feedback);
    verify.limitTo(&only);
    EXPECT_TRUE(verify.run(0, 0x2FFF));
    EXPECT_EQ(addressesOf(InstructionKind::ReadCode), (std::vector<int>{0x10, 0x12, 0x2FFF}));
    chip().clearStats();
    BlankCheckJob blank(session(), image, feedback);
    const ImageCoverage none;
    blank.limitTo(&none);
    EXPECT_TRUE(blank.run(0, 0x2FFF)) << "nothing to look at is blank";
    EXPECT_EQ(stats().reads, 0u);
}

TEST_F(JobLimitsTest, AStoppedJobReleasesTheTargetAndClaimsNothing)
{
    fillChipWithPattern();
    for (int a = 0; a < 0x3000; ++a)
        image.buffer[a] = static_cast<uint8_t>(~pattern(a));

    StoppingFeedback third(3);
    WriteJob write(session(), image, third, WriteJob::Mode::Changes);
    EXPECT_FALSE(write.run(0x100, 0x1FF, 2));
    EXPECT_EQ(write.report().stoppedAt, 0x102);
    EXPECT_EQ(write.report().written, 2);
    EXPECT_EQ(addressesOf(InstructionKind::WriteCode), (std::vector<int>{0x100, 0x101}));
    EXPECT_EQ(stats().lockWrites, 0u) << "a stopped write is never locked";
    EXPECT_FALSE(chip().inProgramming());
    EXPECT_TRUE(third.messages.empty());

    chip().clearStats();
    StoppingFeedback first(1);
    ReadJob read(session(), image, first);
    EXPECT_FALSE(read.run(0, 0x2FFF));
    EXPECT_EQ(read.report().stoppedAt, 0);
    VerifyJob verify(session(), image, first);
    EXPECT_FALSE(verify.run(0, 0x2FFF)) << "nothing compared is no match";
    WriteVerifyJob writeVerify(session(), image, first);
    EXPECT_FALSE(writeVerify.run(0, 0x2FFF));
    BlankCheckJob blank(session(), image, first);
    EXPECT_FALSE(blank.run(0, 0x2FFF));
    EXPECT_EQ(stats().reads, 0u);
    EXPECT_EQ(stats().enables, 4u) << "each opened and released its bracket";
    EXPECT_TRUE(first.messages.empty()) << "no verdict on a job that did not run";

    StoppingFeedback erase(1);
    EraseJob eraseJob(session(), image, erase);
    EXPECT_FALSE(eraseJob.run());
    EXPECT_EQ(stats().erases, 1u);
    EXPECT_EQ(image.chipCache[0], ChipUnknown) << "erased perhaps, but nobody read it back";
    EXPECT_TRUE(erase.messages.empty());
    EXPECT_FALSE(chip().inProgramming());
}

TEST_F(JobLimitsTest, LockJobSetsTheLevelInOneBracket)
{
    EXPECT_TRUE(LockJob(session(), image, feedback).run(2));
    // The enable's probe for an AT89S51/52 ends in a frame the AT89S53 has no
    // instruction for.
    EXPECT_EQ(history(), (std::vector<std::pair<InstructionKind, int>>{{InstructionKind::Enable, -1},
                                                                        {InstructionKind::Unknown, -1},
                                                                        {InstructionKind::WriteLockBits, -1}}));
    EXPECT_EQ(chip().lockMode(), 3);
    EXPECT_FALSE(chip().inProgramming());

    port().installBackend(std::make_unique<NoneBackend>("No port: test"));
    EXPECT_FALSE(LockJob(session(), image, feedback).run(1));
    EXPECT_EQ(feedback.messages.back().text, "No port: test");
}
