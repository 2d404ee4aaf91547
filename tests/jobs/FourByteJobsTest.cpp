// The jobs on the AT89S51/52 models through the real driver, in virtual
// time: the enable answer, the signature check, page mode and the write
// that cannot set bits back.
#include "RecordingFeedback.h"

#include <LinkFixture.h>

#include <At89s51And52.h>
#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <LockJob.h>
#include <ReadJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>

#include <functional>

using Buttons = JobFeedback::Buttons;
using Message = RecordingFeedback::Message;
using sim::InstructionKind;

namespace {

class FourByteJobsTest : public LinkFixture {
protected:
    // The device selected, and the model in the socket; a fresh document.
    void use(DeviceId selected, DeviceId inSocket)
    {
        programmerSettings().device = static_cast<uint32_t>(selected);
        image = DeviceImage();
        image.deviceSize = DeviceById(selected).flashSize;
        feedback = RecordingFeedback();
        sim_ = &useSim({}, inSocket);
    }
    void SetUp() override
    {
        LinkFixture::SetUp();
        use(DeviceId::AT89S52, DeviceId::AT89S52);
    }
    sim::At89s51And52& chip() { return sim_->modelAs<sim::At89s51And52>(); }
    int count(InstructionKind kind)
    {
        int n = 0;
        for (const auto& i : chip().history())
            n += i.kind == kind && !i.ignored;
        return n;
    }
    bool write(WriteJob::Mode mode, int32_t start, int32_t finish, int lock = 0)
    {
        return WriteJob(session(), image, feedback, mode).run(start, finish, lock);
    }
    static uint8_t pattern(int a) { return static_cast<uint8_t>(a * 13 + (a >> 8)); }

    SimBackend* sim_ = nullptr;
    DeviceImage image;
    RecordingFeedback feedback;
};

} // namespace

TEST_F(FourByteJobsTest, WholePagesGoInPageModeAndScatteredBytesOneByOne)
{
    for (int a = 0; a < 0x2000; ++a)
        image.buffer[a] = pattern(a);
    EXPECT_TRUE(write(WriteJob::Mode::All, 0, 0x2000 - 1));
    EXPECT_EQ(chip().flash(), std::vector<uint8_t>(image.buffer.begin(), image.buffer.begin() + 0x2000));
    EXPECT_EQ(count(InstructionKind::WritePage), 32);
    EXPECT_EQ(count(InstructionKind::WriteCode), 0);
    EXPECT_GE(count(InstructionKind::ReadPage), 64) << "learned and read back in page mode";
    EXPECT_EQ(count(InstructionKind::ReadCode), 0);

    // Write Changes after it: only the bytes that differ from the chip copy,
    // and only bits to clear, one by one.
    chip().clearStats();
    image.buffer[0x123] &= 0x0F;
    image.buffer[0x1FFF] = 0x00;
    EXPECT_TRUE(write(WriteJob::Mode::Changes, 0, 0x1FFF));
    EXPECT_EQ(count(InstructionKind::WriteCode), 2);
    EXPECT_EQ(count(InstructionKind::WritePage), 0);
    EXPECT_EQ(count(InstructionKind::ReadPage) + count(InstructionKind::ReadCode), 2) << "the two read backs only";
    EXPECT_EQ(chip().flash()[0x123], image.buffer[0x123]);
    EXPECT_EQ(chip().flash()[0x1FFF], 0x00);
}

TEST_F(FourByteJobsTest, AByteThatNeedsAnEraseStopsTheWriteBeforeAnythingIsWritten)
{
    // Whatever Read Before Write says: the chip is read before the first byte.
    for (const uint8_t readBefore : {1, 0}) {
        SCOPED_TRACE(readBefore);
        use(DeviceId::AT89S52, DeviceId::AT89S52);
        programmerSettings().readBeforeWrite = readBefore;
        chip().flash()[0x200] = 0x0F;
        image.buffer[0x100] = 0x00; // fine: only clears bits
        image.buffer[0x200] = 0xF0; // needs bits back
        EXPECT_FALSE(write(WriteJob::Mode::Changes, 0x100, 0x2FF));
        EXPECT_EQ(feedback.messages,
                  (std::vector<Message>{{"The chip must be erased first: address 0200 holds 0F, which cannot become F0 "
                                         "(the AT89S52 only clears bits when it writes). Nothing was written.",
                                         "ERROR", Buttons::Ok}}));
        EXPECT_EQ(count(InstructionKind::WriteCode) + count(InstructionKind::WritePage), 0);
        EXPECT_EQ(chip().flash()[0x100], 0xFF);
    }
}

TEST_F(FourByteJobsTest, APageGoesWholeWhereverMostOfItChanges)
{
    const struct {
        const char* what;
        int32_t start;
        std::function<bool(int)> changes; // of page 0x100
        int pages;
        int bytes;
    } cases[] = {
        {"all but the first byte", 0x100, [](int a) { return a != 0x100; }, 1, 0},
        {"all but the last byte", 0x100, [](int a) { return a != 0x1FF; }, 1, 0},
        {"three in four, from the second byte", 0x100, [](int a) { return a % 4 != 0; }, 1, 0},
        {"one short of three in four", 0x100, [](int a) { return a % 4 != 0 && a != 0x101; }, 0, 191},
        {"a page not whole in the range", 0x101, [](int a) { return a != 0x100; }, 0, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        use(DeviceId::AT89S52, DeviceId::AT89S52);
        for (int a = 0x100; a <= 0x1FF; ++a)
            image.buffer[a] = c.changes(a) ? static_cast<uint8_t>(a & 0x7F) : 0xFF;
        EXPECT_TRUE(write(WriteJob::Mode::Changes, c.start, 0x1FF));
        EXPECT_EQ(count(InstructionKind::WritePage), c.pages);
        EXPECT_EQ(count(InstructionKind::WriteCode), c.bytes);
        EXPECT_TRUE(std::equal(image.buffer.begin() + 0x100, image.buffer.begin() + 0x200,
                               chip().flash().begin() + 0x100));
    }
}

TEST_F(FourByteJobsTest, ReadsUsePageModeAndGiveWhatByteModeGives)
{
    for (int a = 0; a < 0x2000; ++a)
        chip().flash()[a] = pattern(a);
    EXPECT_TRUE(ReadJob(session(), image, feedback).run(0, 0x1FFF));
    EXPECT_EQ(count(InstructionKind::ReadPage), 32);
    EXPECT_EQ(count(InstructionKind::ReadCode), 0);
    // A short range is cheaper byte by byte.
    DeviceImage bytes;
    bytes.deviceSize = 0x2000;
    EXPECT_TRUE(ReadJob(session(), bytes, feedback).run(0x1F00, 0x1F20));
    EXPECT_EQ(count(InstructionKind::ReadCode), 0x21);
    for (int a = 0; a < 0x2000; ++a)
        ASSERT_EQ(image.buffer[a], pattern(a)) << a;
    EXPECT_TRUE(std::equal(bytes.buffer.begin() + 0x1F00, bytes.buffer.begin() + 0x1F21, image.buffer.begin() + 0x1F00));
}

TEST_F(FourByteJobsTest, NoAnswerToTheEnableFailsEveryJobAtOnce)
{
    const Message noAnswer{"No answer from the chip: check power, the cable and the port", "ERROR", Buttons::Ok};
    const Message failed{"Error programming device", "ERROR", Buttons::Ok};
    sim_->cable().setTarget(sim::Target::AbsentPulledHigh);
    const struct {
        const char* job;
        std::function<bool()> run;
        std::vector<Message> messages;
    } cases[] = {
        {"read", [&] { return ReadJob(session(), image, feedback).run(0, 0x1FFF); }, {noAnswer}},
        {"verify", [&] { return VerifyJob(session(), image, feedback).run(0, 0x1FFF); }, {noAnswer}},
        {"blank check", [&] { return BlankCheckJob(session(), image, feedback).run(0, 0x1FFF); }, {noAnswer}},
        {"erase", [&] { return EraseJob(session(), image, feedback).run(); }, {noAnswer}},
        {"write", [&] { return write(WriteJob::Mode::Changes, 0, 0x1FFF); }, {noAnswer, failed}},
    };
    for (const auto& c : cases) {
        feedback.messages.clear();
        EXPECT_FALSE(c.run()) << c.job;
        EXPECT_EQ(feedback.messages, c.messages) << c.job;
        EXPECT_FALSE(sim_->model().inProgramming()) << c.job;
    }
}

TEST_F(FourByteJobsTest, AChipThatIsNotTheOneSelectedIsNeitherWrittenNorErased)
{
    use(DeviceId::AT89S52, DeviceId::AT89S51);
    chip().flash()[0] = 0x12;
    image.buffer[0] = 0x00;
    const std::string found = "The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected.";
    EXPECT_FALSE(write(WriteJob::Mode::All, 0, 0x1FFF));
    EXPECT_FALSE(EraseJob(session(), image, feedback).run());
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{found + " Nothing was written.", "ERROR", Buttons::Ok},
                                                       {found + " Nothing was erased.", "ERROR", Buttons::Ok}}));
    EXPECT_EQ(count(InstructionKind::WriteCode) + count(InstructionKind::WritePage) + count(InstructionKind::ChipErase),
              0);
    EXPECT_EQ(chip().flash()[0], 0x12);
}

TEST_F(FourByteJobsTest, LockLevelsReachTheChipAndLevelOneStopsTheNextWrite)
{
    EXPECT_TRUE(write(WriteJob::Mode::Changes, 0x10, 0x05, 1)); // nothing to write, then the lock
    EXPECT_EQ(chip().lockMode(), 2);
    image.buffer[0x10] = 0x00;
    EXPECT_FALSE(write(WriteJob::Mode::Changes, 0x10, 0x10));
    EXPECT_EQ(feedback.messages.back().text,
              "The chip is locked at level 1: it takes no more writes; erase it to unlock. Nothing was written.");
    EXPECT_EQ(chip().flash()[0x10], 0xFF);

    // Erase unlocks, and reads the chip back to say so.
    feedback.messages.clear();
    EXPECT_TRUE(EraseJob(session(), image, feedback).run());
    EXPECT_EQ(chip().lockMode(), 1);
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Memory erased", "", Buttons::Ok}}));
    EXPECT_EQ(image.chipCache[0x1FFF], 0xFF);
    EXPECT_EQ(image.chipCache[0x2000], ChipUnknown);
}

namespace {

// The line driver as a programmer that carries whole four-byte instructions
// and nothing else: what Arduino as ISP and USBasp offer.
class WholeInstructionsOnly : public IspLink {
public:
    explicit WholeInstructionsOnly(LineDriver& driver) : d_(driver) {}
    std::string Describe() override { return "a whole-instruction programmer"; }
    bool PortReady(std::string* why) override { return d_.PortReady(why); }
    std::string TakePortFault() override { return d_.TakePortFault(); }
    void RefreshTimerFrequency() override { d_.RefreshTimerFrequency(); }
    void EnterProgramming() override { d_.EnterProgramming(); }
    void LeaveProgramming() override { d_.LeaveProgramming(); }
    void DelayMicroseconds(uint32_t us) override { d_.DelayMicroseconds(us); }
    Deadline DeadlineAfter(uint32_t us) override { return d_.DeadlineAfter(us); }
    bool Passed(Deadline& deadline) override { return d_.Passed(deadline); }
    bool ClocksBits() const override { return false; }
    void ShiftOut(uint8_t) override { ADD_FAILURE() << "a lone byte sent over a whole-instruction link"; }
    uint8_t ShiftIn() override
    {
        ADD_FAILURE() << "a lone byte read over a whole-instruction link";
        return 0;
    }
    void Send(const std::array<uint8_t, 4>& instruction) override
    {
        // A lock write lost on the way: AC E0..E3.
        if (!(dropLockWrites && instruction[0] == 0xAC && (instruction[1] & 0xFC) == 0xE0))
            d_.Send(instruction);
    }
    uint8_t Ask(const std::array<uint8_t, 3>& instruction) override { return d_.Ask(instruction); }
    void AskMany(std::span<const std::array<uint8_t, 3>> instructions, std::span<uint8_t> answers) override
    {
        ++batches;
        IspLink::AskMany(instructions, answers);
    }

    int batches = 0;
    bool dropLockWrites = false;

private:
    LineDriver& d_;
};

} // namespace

TEST_F(FourByteJobsTest, AWholeInstructionLinkCarriesEveryJobButTheThreeByteChip)
{
    auto owned = std::make_unique<WholeInstructionsOnly>(lineDriver());
    WholeInstructionsOnly& link = *owned;
    ProgrammingSession whole(programmerSettings(), std::move(owned));
    for (int a = 0; a < 0x2000; ++a)
        image.buffer[a] = pattern(a);
    EXPECT_TRUE(WriteJob(whole, image, feedback, WriteJob::Mode::All).run(0, 0x1FFF, 0));
    EXPECT_EQ(chip().flash(), std::vector<uint8_t>(image.buffer.begin(), image.buffer.begin() + 0x2000));
    const auto erased = std::count(image.buffer.begin(), image.buffer.begin() + 0x2000, 0xFF);
    EXPECT_EQ(count(InstructionKind::WriteCode), 0x2000 - erased) << "no page write: byte by byte";
    EXPECT_EQ(count(InstructionKind::WritePage) + count(InstructionKind::ReadPage), 0);
    DeviceImage back;
    back.deviceSize = 0x2000;
    link.batches = 0;
    EXPECT_TRUE(ReadJob(whole, back, feedback).run(0, 0x1FFF));
    EXPECT_EQ(link.batches, 32) << "a page's reads sent ahead together";
    EXPECT_TRUE(std::equal(back.buffer.begin(), back.buffer.begin() + 0x2000, image.buffer.begin()));
    EXPECT_EQ(feedback.messages, std::vector<Message>{});

    // The AT89S53's instructions cannot go over it: every job says so and
    // sends nothing.
    whole.selectDevice(DeviceId::AT89S53);
    chip().clearStats();
    const std::string why = "The AT89S53's three-byte instructions need a cable that clocks each bit (the parallel "
                            "port); a whole-instruction programmer carries four-byte instructions only. Choose another "
                            "programmer, or another chip in Tools > Select CI.";
    EXPECT_FALSE(ReadJob(whole, back, feedback).run(0, 0xFF));
    EXPECT_FALSE(EraseJob(whole, back, feedback).run());
    ASSERT_EQ(feedback.messages.size(), 2u);
    EXPECT_EQ(feedback.messages[0].text, why);
    EXPECT_EQ(feedback.messages[1].text, why);
    EXPECT_TRUE(chip().history().empty());
}

TEST_F(FourByteJobsTest, ALockThatDidNotTakeIsReported)
{
    auto owned = std::make_unique<WholeInstructionsOnly>(lineDriver());
    owned->dropLockWrites = true;
    ProgrammingSession whole(programmerSettings(), std::move(owned));
    const struct {
        const char* job;
        std::function<bool()> run;
    } cases[] = {
        {"lock", [&] { return LockJob(whole, image, feedback).run(2); }},
        {"write with a lock level", [&] { return WriteJob(whole, image, feedback, WriteJob::Mode::All).run(0, 0xF, 2); }},
    };
    for (const auto& c : cases) {
        feedback.messages.clear();
        EXPECT_FALSE(c.run()) << c.job;
        EXPECT_EQ(feedback.messages, (std::vector<Message>{{"The lock bits did not take: the chip reports lock level 0.",
                                                            "ERROR", Buttons::Ok}}))
            << c.job;
        EXPECT_EQ(chip().lockMode(), 1);
    }
}
