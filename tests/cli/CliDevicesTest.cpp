// vorlane-cli on the AT89S51 and AT89S52 models, end to end: real SDCC
// firmware filling each chip, a chip that is not the one selected, and a
// lock that a later write must respect.
#include "CliFixture.h"

#include <filesystem>
#include <regex>

namespace {

struct Chip {
    const char* device;
    const char* firmware;
    size_t size;
    const char* file; // beside chip.bin, the AT89S53's
};

const Chip kChips[] = {
    {"at89s51", VORLANE_S51_FIRMWARE, 4096, "chip.s51.bin"},
    {"at89s52", VORLANE_S52_FIRMWARE, 8192, "chip.s52.bin"},
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
    for (const char* command : {"write", "erase"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args = {command, "--device", "at89s52", port};
        if (std::string(command) == "write")
            args.insert(args.begin() + 1, file);
        r = cli(args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected."),
                  std::string::npos)
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
    r = cli({"lock", "2", "--device", "at89s52", port});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read(chipFile() + ".lock"), (Bytes{'m', 'o', 'd', 'e', ' ', '3', '\n'}));
    const Bytes before = chip();
    // Bits to clear only, so that no erase would be needed.
    const std::string file = write("fw.hex", HexRecord(0, Bytes(16, 0x00)) + ":00000001FF\r\n");
    r = cli({"write", file, "--device", "at89s52", port});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(chip(), before);
}

TEST_F(CliDevicesTest, EveryCommandChecksTheChipFirst)
{
    const std::string file = write("fw.hex", HexRecord(0, Bytes(16, 0x00)) + ":00000001FF\r\n");
    const std::string out = path("out.hex");
    const std::string lockFile = chipFile() + ".lock";
    const std::string notS52 = "The chip is an AT89S51 (signature 1E 51 06), not the AT89S52 selected. Nothing was ";
    const std::string locked = "The chip is locked at level 2: its content cannot be read; erase it to unlock. "
                               "Nothing was ";
    const struct {
        const char* device;
        const char* socket;
        const char* lock; // FILE.lock; "" none
        std::vector<std::string> command;
        std::string said;
        bool erased = false; // else the chip and its lock stay as they were
    } rows[] = {
        {"at89s52", "s51", "", {"read", out}, notS52 + "read."},
        {"at89s52", "s51", "", {"verify", file}, notS52 + "verified."},
        {"at89s52", "s51", "", {"blank-check"}, notS52 + "checked."},
        {"at89s52", "s51", "", {"lock", "1"}, notS52 + "locked."},
        {"at89s52", "s51", "", {"write", file, "--lock", "1"}, notS52 + "written."},
        {"at89s53", "s52", "", {"read", out},
         "The chip does not answer as an AT89S53: it answers as an AT89S52 (signature 1E 52 06). Select the AT89S52 "
         "in Tools > Select CI, or with --device s52. Nothing was read."},
        {"at89s52", "s52", "mode 3\n", {"read", out}, locked + "read."},
        {"at89s52", "s52", "mode 3\n", {"verify", file}, locked + "verified."},
        {"at89s51", "s52", "mode 3\n", {"erase"},
         "Erased, but the chip is an AT89S52 (signature 1E 52 06), not the AT89S51 selected: its lock had hidden its "
         "signature. All 8192 bytes of the AT89S52 read back 0xFF.",
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.device) + " selected, " + row.socket + " in the socket: " + row.command[0]);
        const size_t size = std::string(row.socket) == "s51" ? 4096 : 8192;
        Bytes flash = programmed();
        flash.resize(size);
        setChip(flash);
        std::filesystem::remove(lockFile);
        if (*row.lock)
            write("chip.bin.lock", std::string(row.lock));
        std::vector<std::string> args = row.command;
        args.insert(args.end(), {"--device", row.device, std::string("--port=sim:") + row.socket + ":" + chipFile()});

        const auto r = cli(args);

        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("vorlane-cli: " + row.said + "\n"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << "no file from a read that did not happen";
        EXPECT_EQ(chip(), row.erased ? Bytes(size, 0xFF) : flash);
        const std::string lockAfter = row.erased || !*row.lock ? "mode 1\n" : row.lock;
        if (std::filesystem::exists(lockFile)) {
            const Bytes kept = read(lockFile);
            EXPECT_EQ(std::string(kept.begin(), kept.end()), lockAfter);
        } else {
            EXPECT_EQ(lockAfter, "mode 1\n") << "no lock file is unlocked";
        }
    }
}
