// What vorlane-cli refuses, and that a refusal touches neither the chip nor
// any file: exit 2 for the command line and the files, 3 for no port.
#include "CliFixture.h"

#include <sys/stat.h>

namespace {

class CliRefusalsTest : public CliFixture {};

} // namespace

TEST_F(CliRefusalsTest, FilesThatAreNoWholeProgramExitTwoAndLeaveTheChip)
{
    setChip(programmed());
    std::filesystem::create_directory(path("folder.bin"));
    ASSERT_EQ(::mkfifo(path("pipe.hex").c_str(), 0600), 0);
    Bytes longBinary(12288 + 16, 0x11);
    const struct {
        const char* name;
        std::string bytes; // empty: made above, or missing
        std::string told;  // after "vorlane-cli: " and the file's path
    } cases[] = {
        {"empty.hex", "\n", " holds no data for the device (0x0000-0x2FFF). Nothing was loaded."},
        {"end-only.hex", ":00000001FF\n", " holds no data for the device (0x0000-0x2FFF). Nothing was loaded."},
        {"checksum.hex", HexRecord(0, Bytes(16, 1)) + ":0100100011DF\n",
         ", line 2: damaged Intel HEX record"},
        {"part.hex", HexRecord(0, Bytes(16, 1)) + HexRecord(0x2FF8, Bytes(16, 1)),
         ": 8 bytes lie outside the device (0x0000-0x2FFF) and were left out. The file was refused."},
        {"long.bin", std::string(longBinary.begin(), longBinary.end()),
         ": 16 bytes lie outside the device (0x0000-0x2FFF) and were left out. The file was refused."},
        {"big.bin", std::string(20481, '\x11'), ": Can't open files larger than 20Kb"},
        {"missing.hex", "", ": cannot open: No such file or directory"},
        {"folder.bin", "", ": not a regular file"},
        {"pipe.hex", "", ": not a regular file"},
    };
    for (const char* command : {"write", "verify"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(command) + " " + c.name);
            const std::string file = c.bytes.empty() ? path(c.name) : write(c.name, c.bytes);
            const auto r = cli({command, file, simPort(), "--trace", path("trace.txt")});
            EXPECT_EQ(r.status, 2);
            EXPECT_TRUE(r.err.starts_with("vorlane-cli: " + file + c.told)) << r.err;
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
            ASSERT_EQ(chip(), programmed());
            EXPECT_EQ(read(path("trace.txt")), Bytes()) << "the port was touched";
        }
    }
    // A file fine as a whole, but not where --range looks.
    const std::string file = write("low.hex", HexRecord(0x10, Bytes(4, 0)));
    const auto r = cli({"write", file, "--range", "100:2FFF", simPort()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "vorlane-cli: " + file + " holds no data in 0x0100-0x2FFF. Nothing was done.\n");
    EXPECT_EQ(chip(), programmed());
}

TEST_F(CliRefusalsTest, NoPortExitsThree)
{
    const std::string file = write("fw.bin", Bytes{1, 2, 3});
    const std::vector<std::vector<std::string>> commands = {
        {"write", file}, {"read", path("out.bin")}, {"verify", file}, {"blank-check"},
        {"erase"},       {"lock", "1"},             {"reset"},        {"info"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0]);
        auto arguments = command;
        arguments.push_back("--port=none");
        auto r = cli(arguments);
        EXPECT_EQ(r.status, 3);
        // info tells it among its lines, on standard output.
        EXPECT_NE((r.err + r.out).find("No port: VORLANE_PORT=none"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(path("out.bin")));

        // --port wins over the environment, both ways.
        r = cli(command, {"VORLANE_PORT=none"});
        EXPECT_EQ(r.status, 3) << r.err;
        arguments.back() = "--port=sim:" + path("kept.bin");
        r = cli(arguments, {"VORLANE_PORT=none"});
        EXPECT_NE(r.status, 3) << r.err;
        std::filesystem::remove(path("out.bin"));
    }
    // A chip file that cannot be kept is no port either.
    const auto r = cli({"blank-check", "--port=sim:" + path("gone/chip.bin")});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("gone/chip.bin"), std::string::npos) << r.err;
}

TEST_F(CliRefusalsTest, CommandLineMistakesExitTwoBeforeAnyPortIsOpened)
{
    const std::string file = write("fw.bin", Bytes{1, 2, 3});
    const struct {
        std::vector<std::string> arguments;
        std::string told;
    } cases[] = {
        {{}, "no command given"},
        {{"program", file}, "unknown command program"},
        {{"write"}, "write needs a file"},
        {{"write", file, file}, "write: unexpected argument " + file},
        {{"erase", "--bogus"}, "unknown option --bogus"},
        {{"lock", "0"}, "lock 0: expected a lock level from 1 to 3 (only erase unlocks)"},
        {{"lock", "4"}, "lock 4: expected a lock level from 1 to 3 (only erase unlocks)"},
        {{"write", file, "--lock", "5"}, "--lock 5: expected a lock level from 0 to 3"},
        {{"read", file, "--lock", "1"}, "option --lock does not apply to read"},
        {{"erase", "--range", "0:FF"}, "option --range does not apply to erase"},
        {{"read", file, "--range", "100:FF"}, "--range 100:FF: START lies above END"},
        {{"read", file, "--range", "0:3000"}, "--range 0:3000: 0x3000 lies outside the device (0x0000-0x2FFF)"},
        {{"read", file, "--device", "at89s51", "--range", "0:1000"},
         "--range: 0x1000 lies outside the AT89S51 (0x0000-0x0FFF)"},
        {{"erase", "--device", "at89c51"}, "--device at89c51: expected at89s51, at89s52 or at89s53"},
        {{"read", file, "--range", "0-FF"}, "--range 0-FF: expected START:END in hexadecimal, e.g. 0:2FFF"},
        {{"read", file, "--format", "srec"}, "--format srec: expected bin or hex"},
        {{"read", file, "--port"}, "option --port needs a value"},
        {{"erase", "--port", "lpt1"},
         "--port lpt1 is not one of auto, ppdev[:DEV], direct, sim[:MODEL][:FILE][,access=N][,xtal=F], usbasp[:BUS:DEVICE], "
         "arduino:DEV[,baud=N], gpio[:CHIP][:rst=N,sck=N,mosi=N,miso=N][,rst-active-low], "
         "ftdi[:SERIAL][,rst=PIN,sck=PIN,mosi=PIN,miso=PIN] or none"},
        {{"erase", "--set", "Clock Pin"}, "--set Clock Pin: expected NAME=VALUE, e.g. --set \"Clock Pin=5\""},
        {{"erase", "--set", "Clock=5"}, "--set Clock=5: unknown setting; the names are \"LPT\", "},
        {{"erase", "--set", "Clock Pin=8"}, "--set Clock Pin=8: a pin is a data line from 0 (D0) to 7 (D7)"},
        {{"erase", "--set", "Reset Pin=1"},
         "--set Reset Pin=1: D1 is the Clock Pin already, and one line carries one signal: the Reset Pin can be "
         "D0, D3, D4, D5, D6 or D7 here\n"},
        {{"erase", "--set", "Device=0"}, "--set Device=0: the device is 51 (AT89S51), 52 (AT89S52) or 53 (AT89S53)\n"},
        {{"erase", "--set", "LPT=0x2F8"}, "--set LPT=0x2F8: the port address is 0x378 (888), 0x278 (632) or 0x3BC (956)"},
        {{"erase", "--set", "Up Time=fast"}, "--set Up Time=fast: expected a number (decimal, or hexadecimal after 0x)"},
        {{"erase", "--set", "ReadAfterWrite=0"},
         "--set ReadAfterWrite=0: vorlane-cli always reads each byte before writing it and reads it back after"},
        {{"erase", "--trace", path("no/trace.txt")}, path("no/trace.txt") + ": cannot open the trace file: "},
    };
    for (const auto& c : cases) {
        auto arguments = c.arguments;
        arguments.insert(arguments.begin(), simPort());
        SCOPED_TRACE(c.told);
        const auto r = cli(arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.starts_with("vorlane-cli: " + c.told)) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::filesystem::exists(chipFile())) << "the port was opened";
    }
}

TEST_F(CliRefusalsTest, ReadWritesItsFileWholeOrNotAtAll)
{
    const std::string out = write("out.bin", std::string("old"));
    auto r = cli({"read", out, "--port=none"});
    EXPECT_EQ(r.status, 3);
    r = cli({"read", path("missing/out.bin"), simPort()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.starts_with("vorlane-cli: " + path("missing/out.bin") + ": cannot create: ")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(chipFile())) << "the chip is not read for a file that cannot be made";
    r = cli({"read", path("config"), simPort()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "vorlane-cli: " + path("config") + ": not a regular file\n");

    EXPECT_EQ(read(out), Bytes({'o', 'l', 'd'}));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_))
        ++files;
    EXPECT_EQ(files, 2) << "config and out.bin, no temporary file left behind";

    setChip(programmed());
    r = cli({"read", out, "--range", "10:1F", simPort()});
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes flash = programmed();
    EXPECT_EQ(read(out), Bytes(flash.begin() + 0x10, flash.begin() + 0x20));
}
