// Every job over Arduino as ISP, as a front end makes it (the port form
// through the one grammar), with the ArduinoISP sketch modelled on the far
// side of a pseudo-terminal driving the AT89S51 and AT89S52 models in real
// time: their write cycles kept, the AT89S53 refused, a board pulled out.
#include "RecordingFeedback.h"

#include <ArduinoIspModel.h>

#include <At89s51And52.h>
#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <LockJob.h>
#include <OpenSession.h>
#include <ReadJob.h>
#include <ResetJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using Buttons = JobFeedback::Buttons;
using Message = RecordingFeedback::Message;
using sim::At89s51And52;
using sim::InstructionKind;

namespace {

class ArduinoJobsTest : public ::testing::Test {
protected:
    // The chip in the socket, selected, behind a sketch at `baud`.
    void plug(At89s51And52::Variant variant, DeviceId selected, uint32_t baud)
    {
        session.reset();
        model.reset();
        chip = std::make_unique<At89s51And52>(variant);
        ArduinoIspModel::Board board;
        board.baud = baud;
        // The reset and its bootloader as an Uno's, shortened.
        board.bootloaderNs = 100'000'000;
        board.setupNs = 50'000'000;
        model = std::make_unique<ArduinoIspModel>(*chip, board, [this](int64_t t) { return chip->busy(t); });
        settings.device = static_cast<uint32_t>(selected);
        image.deviceSize = DeviceById(selected).flashSize;
        const std::string form = "arduino:" + model->device() + ",baud=" + std::to_string(baud);
        session = OpenSession(settings, PortChoice::parse(form.c_str()), "");
    }
    int count(InstructionKind kind, bool ignored = false) const
    {
        int n = 0;
        for (const auto& i : chip->history())
            n += i.kind == kind && i.ignored == ignored;
        return n;
    }
    bool write(WriteJob::Mode mode, int32_t start, int32_t finish, int lock = 0)
    {
        return WriteJob(*session, image, feedback, mode).run(start, finish, lock);
    }
    std::string gone() const
    {
        return "Arduino as ISP: " + model->device() +
               " went away during the job (the board unplugged or reset): the job did not finish. Plug it back in "
               "and run the job again.";
    }
    static uint8_t pattern(int a) { return static_cast<uint8_t>(a * 13 + (a >> 8)); }

    ProgrammerSettings settings = DefaultProgrammerSettings();
    std::unique_ptr<At89s51And52> chip;
    std::unique_ptr<ArduinoIspModel> model;
    std::unique_ptr<ProgrammingSession> session;
    DeviceImage image;
    RecordingFeedback feedback;
};

} // namespace

TEST_F(ArduinoJobsTest, EveryJobRunsOverTheSketch)
{
    const struct {
        At89s51And52::Variant chip;
        DeviceId device;
        uint32_t baud;
        bool waitsOnTheLine;
    } cases[] = {
        {At89s51And52::Variant::S51, DeviceId::AT89S51, 115200, true},
        {At89s51And52::Variant::S52, DeviceId::AT89S52, 1'000'000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(DeviceById(c.device).name);
        plug(c.chip, c.device, c.baud);
        const int size = image.deviceSize;
        const int last = size - 0x100;
        std::fill(chip->flash().begin(), chip->flash().end(), 0x5A);
        feedback.messages.clear();

        EXPECT_TRUE(EraseJob(*session, image, feedback).run());
        EXPECT_EQ(chip->flash(), std::vector<uint8_t>(size, 0xFF));
        EXPECT_TRUE(BlankCheckJob(*session, image, feedback).run(last - 0x100, size - 1));

        // Whole pages and a few bytes alone, each byte after the last one's
        // write cycle: the chip refuses none.
        for (int a = 0; a < size; ++a)
            image.buffer[a] = pattern(a);
        EXPECT_TRUE(write(WriteJob::Mode::All, 0, 0x1FF));
        EXPECT_TRUE(write(WriteJob::Mode::All, last, size - 1));
        EXPECT_TRUE(write(WriteJob::Mode::All, 0x300, 0x303));
        EXPECT_TRUE(std::equal(chip->flash().begin(), chip->flash().begin() + 0x200, image.buffer.begin()));
        EXPECT_TRUE(std::equal(chip->flash().begin() + last, chip->flash().end(), image.buffer.begin() + last));
        EXPECT_TRUE(std::equal(chip->flash().begin() + 0x300, chip->flash().begin() + 0x304, image.buffer.begin() + 0x300));
        const auto programmed = [&](int from, int to) {
            return std::count_if(image.buffer.begin() + from, image.buffer.begin() + to, [](uint8_t b) { return b != 0xFF; });
        };
        EXPECT_EQ(count(InstructionKind::WriteCode), programmed(0, 0x200) + programmed(last, size) + programmed(0x300, 0x304));

        // Write Changes: only the bytes that changed.
        chip->clearStats();
        image.buffer[0x10] &= 0x0F;
        image.buffer[0x1F0] = 0x00;
        EXPECT_TRUE(write(WriteJob::Mode::Changes, 0, 0x1FF));
        EXPECT_EQ(count(InstructionKind::WriteCode), 2);
        EXPECT_TRUE(VerifyJob(*session, image, feedback).run(0, 0x1FF));
        chip->flash()[0x1F0] = 0x01;
        EXPECT_FALSE(VerifyJob(*session, image, feedback).run(0, 0x1FF));

        DeviceImage back;
        back.deviceSize = size;
        EXPECT_TRUE(ReadJob(*session, back, feedback).run(last, size - 1));
        EXPECT_TRUE(std::equal(back.buffer.begin() + last, back.buffer.begin() + size, image.buffer.begin() + last));

        EXPECT_TRUE(LockJob(*session, image, feedback).run(1));
        EXPECT_EQ(chip->lockMode(), 2);
        image.buffer[0x20] = 0x00;
        EXPECT_FALSE(write(WriteJob::Mode::Changes, 0x20, 0x20));
        EXPECT_EQ(chip->flash()[0x20], pattern(0x20));

        EXPECT_TRUE(ResetJob(*session).run());
        EXPECT_FALSE(chip->inProgramming());

        EXPECT_EQ(model->disturbances(), 0) << "an instruction within a write cycle or the erase";
        EXPECT_EQ(model->overruns(), 0);
        EXPECT_EQ(feedback.messages, (std::vector<Message>{{"Memory erased", "", Buttons::Ok},
                                                           {"Memory is blanck", "", Buttons::Ok},
                                                           {"The contents of the IC and the buffer doesn't match",
                                                            "ERROR", Buttons::Ok},
                                                           {"The chip is locked at level 1: it takes no more writes; "
                                                            "erase it to unlock. Nothing was written.",
                                                            "ERROR", Buttons::Ok}}));
        EXPECT_EQ(model->unexpected(), "");
    }
}

TEST_F(ArduinoJobsTest, TheAt89s53IsRefusedBeforeAnythingIsSent)
{
    plug(At89s51And52::Variant::S52, DeviceId::AT89S53, 1'000'000);
    const std::string why = "The AT89S53's three-byte instructions need a cable that clocks each bit (the parallel "
                            "port); Arduino as ISP on " + model->device() +
                            " at 1000000 baud carries four-byte instructions only. Choose another programmer, or "
                            "another chip in Tools > Select CI.";
    EXPECT_FALSE(ReadJob(*session, image, feedback).run(0, 0xFF));
    EXPECT_FALSE(EraseJob(*session, image, feedback).run());
    EXPECT_FALSE(write(WriteJob::Mode::All, 0, 0xFF));
    EXPECT_EQ(feedback.messages, (std::vector<Message>{{why, "ERROR", Buttons::Ok},
                                                       {why, "ERROR", Buttons::Ok},
                                                       {why, "ERROR", Buttons::Ok},
                                                       {"Error programming device", "ERROR", Buttons::Ok}}));
    EXPECT_EQ(model->universals(), 0);
    EXPECT_TRUE(chip->history().empty());
}

TEST_F(ArduinoJobsTest, ABoardPulledOutMidJobFailsItAndForgetsWhatWasNotReadBack)
{
    const struct {
        const char* job;
        std::function<bool()> run;
        std::vector<std::string> messages;
    } cases[] = {
        {"read", [&] { return ReadJob(*session, image, feedback).run(0, 0x7FF); }, {}},
        // The write fails while it reads the chip first: the link is all it says.
        {"write", [&] { return write(WriteJob::Mode::All, 0, 0x7FF); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.job);
        plug(At89s51And52::Variant::S52, DeviceId::AT89S52, 1'000'000);
        for (int a = 0; a < 0x800; ++a)
            image.buffer[a] = pattern(a);
        image.chipCache.fill(ChipUnknown);
        feedback.messages.clear();
        model->unplugAfter(600);
        EXPECT_FALSE(c.run());
        std::vector<std::string> texts;
        for (const Message& m : feedback.messages)
            texts.push_back(m.text);
        std::vector<std::string> expected = c.messages;
        expected.push_back(gone());
        EXPECT_EQ(texts, expected);
        EXPECT_TRUE(std::all_of(image.chipCache.begin(), image.chipCache.begin() + 0x800,
                                [](int32_t v) { return v == ChipUnknown; }))
            << "nothing passes for read back";
        // The next job finds the board gone and says what to do.
        feedback.messages.clear();
        EXPECT_FALSE(ReadJob(*session, image, feedback).run(0, 0xFF));
        ASSERT_EQ(feedback.messages.size(), 1u);
        EXPECT_EQ(feedback.messages[0].text, "Arduino as ISP: " + model->device() +
                                                 " is not there (No such file or directory (errno 2)): plug the "
                                                 "Arduino in; its port is /dev/ttyACM0 or /dev/ttyUSB0 as a rule (ls "
                                                 "/dev/ttyACM* /dev/ttyUSB*).");
    }
}
