// vorlane-cli on the AT89S51 and AT89S52 models, end to end: real SDCC
// firmware filling each chip, on the simulated cable and through Arduino as
// ISP, a chip that is not the one selected, and a lock that a later write
// must respect.
#include "CliFixture.h"

#include <ArduinoIspModel.h>
#include <At89s51And52.h>

#include <filesystem>
#include <regex>

namespace {

struct Chip {
    const char* device;
    const char* firmware;
    size_t size;
    const char* file; // beside chip.bin, the AT89S53's
    sim::At89s51And52::Variant model;
};

const Chip kChips[] = {
    {"at89s51", VORLANE_S51_FIRMWARE, 4096, "chip.s51.bin", sim::At89s51And52::Variant::S51},
    {"at89s52", VORLANE_S52_FIRMWARE, 8192, "chip.s52.bin", sim::At89s51And52::Variant::S52},
};

class CliDevicesTest : public CliFixture {
protected:
    // srec_cat's reading of an Intel HEX file, checksums checked, as a binary
    // of `size` bytes with erased bytes where the file has none.
    Bytes srecBinary(const std::string& hex, size_t size)
    {
        const std::string bin = path("srec.bin");
        const auto r = CliProcess::Run({SREC_CAT, "-disable-sequence-warnings", hex, "-intel", "-fill", "0xFF", "0",
                                        std::to_string(size), "-o", bin, "-binary"},
                                       {});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "") << "srec_cat warned";
        return read(bin);
    }
};

} // namespace

TEST_F(CliDevicesTest, SdccFirmwareFillingEachChipRoundTrips)
{
    for (const Chip& c : kChips) {
        SCOPED_TRACE(c.device);
        const Bytes firmware = srecBinary(c.firmware, c.size);
        ASSERT_EQ(firmware.size(), c.size);
        // Nearly the whole chip is the program.
        EXPECT_GT(std::count_if(firmware.begin(), firmware.end(), [](uint8_t b) { return b != 0xFF; }),
                  static_cast<long>(c.size * 9 / 10));

        auto r = cli({"write", c.firmware, "--device", c.device, simPort()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read(path(c.file)), firmware) << "the chip file holds the chip's own flash size";

        r = cli({"read", path("back.hex"), "--device", c.device, simPort()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(srecBinary(path("back.hex"), c.size), firmware);

        r = cli({"verify", c.firmware, "--device", c.device, simPort()});
        EXPECT_EQ(r.status, 0) << r.err;
    }
}

TEST_F(CliDevicesTest, SdccFirmwareRoundTripsOverAUsbasp)
{
    // The program built with the USBasp's firmware modelled behind libusb.
    const auto usbasp = [&](std::vector<std::string> args, const std::string& model) {
        args.insert(args.begin(), VORLANE_CLI_USBASP_BINARY);
        args.push_back("--port=usbasp");
        return CliProcess::Run(args, environment({"VORLANE_USB_MODEL=" + model}));
    };
    for (const Chip& c : kChips) {
        SCOPED_TRACE(c.device);
        const Bytes firmware = srecBinary(c.firmware, c.size);
        const std::string chipFile = path(std::string("usb.") + (c.device + 4) + ".bin");
        const std::string model = std::string("s5x:") + (c.device + 4) + ":" + chipFile;
        auto r = usbasp({"write", c.firmware, "--device", c.device}, model);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read(chipFile), firmware);
        r = usbasp({"read", path("back.hex"), "--device", c.device}, model);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(srecBinary(path("back.hex"), c.size), firmware);
        r = usbasp({"verify", c.firmware, "--device", c.device}, model);
        EXPECT_EQ(r.status, 0) << r.err;
    }
    // No USBasp plugged in: no port.
    const auto r = usbasp({"info"}, "");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("No USBasp (USB ID 16C0:05DC) found: no USB devices."), std::string::npos) << r.out;
}

TEST_F(CliDevicesTest, SdccFirmwareRoundTripsThroughArduinoAsIsp)
{
    for (const Chip& c : kChips) {
        SCOPED_TRACE(c.device);
        // The ArduinoISP sketch at 1000000 baud on a pseudo-terminal, its
        // board reset by every run that opens the port.
        sim::At89s51And52 chip(c.model);
        ArduinoIspModel::Board board;
        board.baud = 1'000'000;
        board.bootloaderNs = 100'000'000;
        board.setupNs = 50'000'000;
        ArduinoIspModel sketch(chip, board);
        const std::string port = "--port=arduino:" + sketch.device() + ",baud=1000000";
        const Bytes firmware = srecBinary(c.firmware, c.size);

        auto r = cli({"write", c.firmware, "--device", c.device, port});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(chip.flash(), firmware);
        r = cli({"read", path("back.hex"), "--device", c.device, port});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(srecBinary(path("back.hex"), c.size), firmware);
        r = cli({"verify", c.firmware, "--device", c.device, port});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(sketch.unexpected(), "");
    }
}

TEST_F(CliDevicesTest, TheStoredChipIsTheOneWorkedOn)
{
    storeSettings("Device=52\n");
    auto r = cli({"info", simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("Port: simulated AT89S52 at 0x378"))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("Device: +AT89S52 \\(8192 bytes\\)"))) << r.out;
    r = cli({"erase", simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read(path("chip.s52.bin")), Bytes(8192, 0xFF));
    EXPECT_FALSE(std::filesystem::exists(chipFile())) << "the AT89S53's file is another chip's";
}

TEST_F(CliDevicesTest, AChipOtherThanTheOneSelectedIsNeverWritten)
{
    const std::string port = "--port=sim:s51:" + chipFile();
    auto r = cli({"write", VORLANE_S51_FIRMWARE, "--device", "at89s51", port});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes before = chip();
    const std::string file = write("fw.hex", HexRecord(0, Bytes(16, 0x00)) + ":00000001FF\r\n");
    const std::vector<std::vector<std::string>> commands = {
        {"write", file}, {"erase"}, {"read", path("out.hex")}, {"verify", file}, {"blank-check"}, {"lock", "1"}};
    for (std::vector<std::string> args : commands) {
        SCOPED_TRACE(args[0]);
        args.insert(args.end(), {"--device", "at89s52", port});
        r = cli(args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected."),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(r.err.ends_with(
            "\nvorlane-cli: the socket holds an AT89S51: run again with --device at89s51 to work on it\n"))
            << r.err;
        EXPECT_EQ(chip(), before);
    }
}

TEST_F(CliDevicesTest, ALockedChipRefusesTheNextWrite)
{
    // The chip named in the port: its file is chip.bin itself.
    const std::string port = "--port=sim:s52:" + chipFile();
    auto r = cli({"write", VORLANE_S52_FIRMWARE, "--device", "at89s52", port});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes written = chip();
    r = cli({"lock", "2", "--device", "at89s52", port});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(chip(), Locked(written, "mode 3"));
    const Bytes before = chip();
    // Bits to clear only, so that no erase would be needed.
    const std::string file = write("fw.hex", HexRecord(0, Bytes(16, 0x00)) + ":00000001FF\r\n");
    r = cli({"write", file, "--device", "at89s52", port});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(chip(), before);
    r = cli({"read", path("out.hex"), "--device", "at89s52", port});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "read: 0x0000-0x1FFF into " + path("out.hex") + "\nvorlane-cli: The chip is locked at level 2: its "
                     "content cannot be read; erase it to unlock. Nothing was read.\n");
    EXPECT_FALSE(std::filesystem::exists(path("out.hex")));
}

TEST_F(CliDevicesTest, SdccFirmwareRoundTripsOverGpioLinesAndAnFtdiCable)
{
    // The program built with the far side modelled: the kernel's GPIO
    // character device (a Raspberry Pi 4's chip, 1.5 us an ioctl), or the
    // FT232R's synchronous bit-bang behind libftdi; the chip on the default
    // lines or pins, which clock all three chips.
    const struct {
        const char* binary;
        const char* port;
        const char* variable;
        const char* absent;
    } links[] = {
        {VORLANE_CLI_GPIO_BINARY, "--port=gpio", "VORLANE_GPIO_MODEL=",
         "No GPIO lines: there is no /dev/gpiochip0, and this system has no GPIO character device"},
        {VORLANE_CLI_FTDI_BINARY, "--port=ftdi", "VORLANE_FTDI_MODEL=",
         "No FTDI cable (USB ID 0403:6001 FT232R, 0403:6014 FT232H or 0403:6010 FT2232H) found: no FTDI devices."},
    };
    const struct {
        const char* device;
        const char* firmware;
        size_t size;
    } chips[] = {{"at89s51", VORLANE_S51_FIRMWARE, 4096},
                 {"at89s52", VORLANE_S52_FIRMWARE, 8192},
                 {"at89s53", VORLANE_TEST_FIRMWARE, 12288}};
    for (const auto& link : links) {
        SCOPED_TRACE(link.port);
        const auto run = [&](std::vector<std::string> args, const std::string& model) {
            args.insert(args.begin(), link.binary);
            args.push_back(link.port);
            return CliProcess::Run(args, environment({link.variable + model}));
        };
        for (const auto& c : chips) {
            SCOPED_TRACE(c.device);
            const Bytes firmware = srecBinary(c.firmware, c.size);
            const std::string chipFile = path(std::string(link.port + 7) + "." + (c.device + 4) + ".bin");
            const std::string model = std::string(c.device + 4) + ":" + chipFile;
            auto r = run({"write", c.firmware, "--device", c.device}, model);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read(chipFile), firmware);
            r = run({"read", path("back.hex"), "--device", c.device}, model);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(srecBinary(path("back.hex"), c.size), firmware);
            r = run({"verify", c.firmware, "--device", c.device}, model);
            EXPECT_EQ(r.status, 0) << r.err;
        }
        // Nothing there: no port.
        const auto r = run({"info"}, "");
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.out.find(link.absent), std::string::npos) << r.out;
    }
}
