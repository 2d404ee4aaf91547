// Every job over a USBasp, through the real link and the job code, with the
// USBasp's firmware modelled in front of the simulated AT89S51/52: the fork
// that drives these chips (pages through its flash requests) and the stock
// firmware with RST through an inverter (one request per instruction).
#include "UsbaspFixture.h"

#include <UsbaspSck.h>

#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <LockJob.h>
#include <ReadJob.h>
#include <ResetJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>

namespace {

constexpr uint8_t kTransmit = 3;
constexpr uint8_t kReadFlash = 4;
constexpr uint8_t kWriteFlash = 6;

uint8_t Pattern(int a)
{
    return static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
}

class UsbaspJobsTest : public UsbaspFixture {
protected:
    // Writes the chip did not take, as it does while a write cycle runs.
    int refusedWrites()
    {
        using sim::InstructionKind;
        int n = 0;
        for (const auto& i : chip().history())
            n += i.ignored && (i.kind == InstructionKind::WriteCode || i.kind == InstructionKind::WritePage ||
                               i.kind == InstructionKind::ChipErase);
        return n;
    }
};

} // namespace

TEST_F(UsbaspJobsTest, EveryJobRunsOnBothChipsOverEitherFirmware)
{
    const struct {
        const char* name;
        Kind kind;
        bool rstInverted;
        Variant variant;
    } combos[] = {
        {"S5x firmware, AT89S51", Kind::S5x, false, Variant::S51},
        {"S5x firmware, AT89S52", Kind::S5x, false, Variant::S52},
        {"stock firmware, inverted RST, AT89S51", Kind::Stock, true, Variant::S51},
        {"stock firmware, inverted RST, AT89S52", Kind::Stock, true, Variant::S52},
    };
    for (const auto& c : combos) {
        SCOPED_TRACE(c.name);
        restart();
        plug(c.kind, c.variant, c.rstInverted);
        const int size = chip().flashSize();
        const bool pages = c.kind == Kind::S5x;
        for (int a = 0; a < size; ++a)
            chip().flash()[a] = static_cast<uint8_t>(a);
        chip().setLockMode(2);

        EXPECT_TRUE(EraseJob(session(), image, feedback).run());
        EXPECT_EQ(chip().flash(), std::vector<uint8_t>(size, 0xFF));
        EXPECT_EQ(chip().lockMode(), 1);
        EXPECT_TRUE(BlankCheckJob(session(), image, feedback).run(0, size - 1));

        for (int a = 0; a < size; ++a)
            image.buffer[a] = Pattern(a);
        usbmodel::World().requests.clear();
        EXPECT_TRUE(WriteJob(session(), image, feedback, WriteJob::Mode::All).run(0, size - 1, 0));
        EXPECT_EQ(chip().flash(), std::vector<uint8_t>(image.buffer.begin(), image.buffer.begin() + size));
        EXPECT_EQ(requests(kWriteFlash), pages ? size / 128 : 0) << "two blocks a page, or none";

        usbmodel::World().requests.clear();
        DeviceImage back;
        back.deviceSize = size;
        EXPECT_TRUE(ReadJob(session(), back, feedback).run(0, size - 1));
        EXPECT_TRUE(std::equal(back.buffer.begin(), back.buffer.begin() + size, chip().flash().begin()));
        EXPECT_EQ(requests(kReadFlash), pages ? size / 128 : 0);
        EXPECT_GE(requests(kTransmit), pages ? 1 : size) << "one request an instruction without pages";

        chip().flash()[0x123] ^= 0x40;
        EXPECT_FALSE(VerifyJob(session(), image, feedback).run(0, size - 1));
        chip().flash()[0x123] ^= 0x40;
        EXPECT_TRUE(VerifyJob(session(), image, feedback).run(0, size - 1));

        // Write Changes: two bytes that only clear bits.
        image.buffer[0x10] &= 0x0F;
        image.buffer[size - 1] = 0x00;
        EXPECT_TRUE(WriteJob(session(), image, feedback, WriteJob::Mode::Changes).run(0, size - 1, 0));
        EXPECT_EQ(chip().flash()[0x10], image.buffer[0x10]);
        EXPECT_EQ(chip().flash()[size - 1], 0x00);

        EXPECT_TRUE(LockJob(session(), image, feedback).run(2));
        EXPECT_EQ(chip().lockMode(), 3);
        std::string why;
        EXPECT_TRUE(ResetJob(session()).run(&why)) << why;
        EXPECT_FALSE(chip().inProgramming());

        // Every write went to an idle chip: the host waited each cycle out.
        EXPECT_EQ(refusedWrites(), 0);
        EXPECT_EQ(messages(), (std::vector<std::string>{"Memory erased", "Memory is blanck",
                                                        "ERROR: The contents of the IC and the buffer doesn't match"}));
    }
}

TEST_F(UsbaspJobsTest, TheClockKeepsWithinTheCrystalSet)
{
    // Each SCK phase at least 8 crystal periods: a 16th of the crystal.
    const struct {
        int64_t crystalHz;
        int32_t sckHz;
    } choices[] = {{3'000'000, 187'500}, {12'000'000, 750'000}, {24'000'000, 1'500'000}, {1'000'000, 32'000}};
    for (const auto& c : choices)
        EXPECT_EQ(usbasp::SckForCrystal(c.crystalHz).hz, c.sckHz) << c.crystalHz;

    // A board of the crystal set (3 MHz by default) takes every instruction
    // the link clocks (the fork's own enable garbles some with its quick SCK
    // pulses); a board of a slower one than set takes none.
    const struct {
        uint32_t setHz; // 0: the default settings
        int64_t boardHz;
        bool written;
    } boards[] = {{0, 3'000'000, true}, {12'000'000, 12'000'000, true}, {12'000'000, 3'000'000, false}};
    for (const auto& b : boards) {
        SCOPED_TRACE(b.setHz);
        restart();
        settings.crystalHz = b.setHz ? b.setHz : settings.crystalHz;
        plug(Kind::S5x, Variant::S52, false, b.boardHz);
        for (int a = 0; a < 0x300; ++a)
            image.buffer[a] = Pattern(a);
        EXPECT_EQ(WriteJob(session(), image, feedback, WriteJob::Mode::All).run(0, 0x2FF, 0), b.written);
        EXPECT_EQ(VerifyJob(session(), image, feedback).run(0, 0x2FF), b.written);
        EXPECT_EQ(messages().empty(), b.written);
    }
}

TEST_F(UsbaspJobsTest, TheAt89s53IsRefusedBeforeAnythingIsSent)
{
    plug(Kind::S5x, Variant::S52);
    select(DeviceId::AT89S53);
    EXPECT_FALSE(ReadJob(session(), image, feedback).run(0, 0xFF));
    EXPECT_FALSE(EraseJob(session(), image, feedback).run());
    const std::string refused = "ERROR: The AT89S53's three-byte instructions need a cable that clocks each bit (the "
                                "parallel port); USBasp at USB bus 1 device 5 carries four-byte instructions only. "
                                "Choose another programmer, or another chip in Tools > Select CI.";
    EXPECT_EQ(messages(), (std::vector<std::string>{refused, refused}));
    EXPECT_EQ(usbmodel::World().transfers, 0);
}
