// Every job over an FTDI cable, through the real link and the job code, with
// the FT232R's synchronous bit-bang modelled in front of each simulated
// chip; and its trace against the parallel port's.
#include "FtdiFixture.h"

#include <BlankCheckJob.h>
#include <EraseJob.h>
#include <LockJob.h>
#include <ReadJob.h>
#include <ResetJob.h>
#include <VerifyJob.h>
#include <WriteJob.h>

#include <ChipFile.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

uint8_t Pattern(int a)
{
    return static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
}

class FtdiJobsTest : public FtdiFixture {};

// A trace's operations and values, without their times; the times only
// ever go forward.
std::vector<std::string> Operations(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    long long last = -1;
    long long us = 0;
    std::string operation;
    std::string value;
    while (in >> us >> operation >> value) {
        EXPECT_GE(us, last);
        last = us;
        lines.push_back(operation + " " + value);
    }
    return lines;
}

// The cables: an FT232R, and an FT232H in MPSSE where its serial pins reach
// the chip, in bit-bang where they do not.
const struct Cable {
    uint16_t product;
    const char* form;
    int rstBit;
    int misoBit;
    uint8_t mode;
    const char* pane;
} kCables[] = {
    {0x6001, "ftdi", 4, 3, 0x04,
     "FTDI cable FT232R (0403:6001) \"FT232R USB UART\" serial FT1 in synchronous bit-bang: RST on DTR, SCK on "
     "TXD, MOSI on RXD, MISO on CTS"},
    {0x6014, "ftdi,miso=RTS", 4, 2, 0x02,
     "FTDI cable FT232H (0403:6014) \"Single RS232-HS\" serial FT1 in MPSSE at 250 kHz: RST on DTR (AD4), SCK on "
     "TXD (AD0), MOSI on RXD (AD1), MISO on RTS (AD2)"},
    {0x6010, "ftdi,miso=RTS", 4, 2, 0x02,
     "FTDI cable FT2232H (0403:6010) \"Dual RS232-HS\" serial FT1 in MPSSE at 250 kHz: RST on DTR (AD4), SCK on "
     "TXD (AD0), MOSI on RXD (AD1), MISO on RTS (AD2)"},
    {0x6014, "ftdi", 4, 3, 0x04,
     "FTDI cable FT232H (0403:6014) \"Single RS232-HS\" serial FT1 in synchronous bit-bang: RST on DTR, SCK on "
     "TXD, MOSI on RXD, MISO on CTS"},
};

} // namespace

TEST_F(FtdiJobsTest, EveryJobRunsOnEachChip)
{
    for (const Cable& cable : kCables)
    for (const DeviceId id : {DeviceId::AT89S51, DeviceId::AT89S52, DeviceId::AT89S53}) {
        SCOPED_TRACE(std::string(DeviceById(id).name) + " over " + cable.pane);
        restart();
        ftdimodel::FtdiDevice& device = plug(id, cable.product);
        device.rstBit = cable.rstBit;
        device.misoBit = cable.misoBit;
        EXPECT_EQ(session(cable.form).link().Describe(), cable.pane);
        const int size = DeviceById(id).flashSize;
        auto flash = chip().flashBytes();
        for (int a = 0; a < size; ++a)
            flash[a] = static_cast<uint8_t>(a);
        setLockMode2();

        EXPECT_TRUE(EraseJob(session(), image, feedback).run());
        EXPECT_EQ(std::vector<uint8_t>(flash.begin(), flash.end()), std::vector<uint8_t>(size, 0xFF));
        EXPECT_EQ(lockMode(), 1);
        EXPECT_TRUE(BlankCheckJob(session(), image, feedback).run(0, size - 1));

        for (int a = 0; a < size; ++a)
            image.buffer[a] = Pattern(a);
        EXPECT_TRUE(WriteJob(session(), image, feedback, WriteJob::Mode::All).run(0, size - 1, 0));
        EXPECT_TRUE(std::equal(flash.begin(), flash.end(), image.buffer.begin()));

        DeviceImage back;
        back.deviceSize = size;
        EXPECT_TRUE(ReadJob(session(), back, feedback).run(0, size - 1));
        EXPECT_TRUE(std::equal(flash.begin(), flash.end(), back.buffer.begin()));

        flash[0x123] ^= 0x40;
        EXPECT_FALSE(VerifyJob(session(), image, feedback).run(0, size - 1));
        flash[0x123] ^= 0x40;
        EXPECT_TRUE(VerifyJob(session(), image, feedback).run(0, size - 1));

        // Write Changes: two bytes that only clear bits.
        image.buffer[0x10] &= 0x0F;
        image.buffer[size - 1] = 0x00;
        EXPECT_TRUE(WriteJob(session(), image, feedback, WriteJob::Mode::Changes).run(0, size - 1, 0));
        EXPECT_EQ(flash[0x10], image.buffer[0x10]);
        EXPECT_EQ(flash[size - 1], 0x00);

        EXPECT_TRUE(LockJob(session(), image, feedback).run(2));
        EXPECT_EQ(lockMode(), 3);
        std::string why;
        EXPECT_TRUE(ResetJob(session()).run(&why)) << why;
        EXPECT_FALSE(chip().inProgramming()) << "the cable let go with RST low";

        // The sample clock never made a phase shorter than the chip takes.
        EXPECT_EQ(chip().stats().garbledClocks, 0u);
        EXPECT_EQ(messages(), (std::vector<std::string>{"Memory erased", "Memory is blanck",
                                                        "ERROR: The contents of the IC and the buffer doesn't match"}));
        EXPECT_EQ(device.modeSet, cable.mode);
    }
}

TEST_F(FtdiJobsTest, TheTraceReadsAsOnTheParallelPort)
{
    const std::string dir = ::testing::TempDir() + "ftdi-trace";
    std::filesystem::create_directories(dir);
    const std::string overFtdi = dir + "/ftdi.trace";
    const std::string overPort = dir + "/port.trace";
    std::filesystem::remove(overFtdi);
    std::filesystem::remove(overPort);

    std::vector<std::vector<std::string>> overCables;
    for (const Cable& cable : {kCables[0], kCables[1]}) {
        restart();
        std::filesystem::remove(overFtdi);
        plug(DeviceId::AT89S52, cable.product).misoBit = cable.misoBit;
        for (int a = 0; a < 0x20; ++a)
            chip().flashBytes()[a] = Pattern(a);
        EXPECT_TRUE(ReadJob(session(cable.form, overFtdi), image, feedback).run(0, 0x1F));
        overCables.push_back(Operations(overFtdi));
    }
    restart();
    select(DeviceId::AT89S52);
    {
        // The same chip content behind the simulated parallel port.
        sim::At89s51And52 same(sim::At89s51And52::Variant::S52);
        for (int a = 0; a < 0x20; ++a)
            same.flash()[a] = Pattern(a);
        std::string error;
        ASSERT_TRUE(sim::SaveChipFile(same, dir + "/chip.bin", &error)) << error;
    }
    const std::string form = "sim:s52:" + dir + "/chip.bin";
    EXPECT_TRUE(ReadJob(session(form.c_str(), overPort), image, feedback).run(0, 0x1F));

    EXPECT_GT(overCables[0].size(), 1000u);
    EXPECT_EQ(overCables[0], Operations(overPort));
    EXPECT_EQ(overCables[1], Operations(overPort)) << "in MPSSE";
}
