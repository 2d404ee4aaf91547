// vorlane-cli as a programming station uses it: Ctrl+C in the middle of a
// write, no window system underneath, the cable the window configured, and
// silence on success when asked.
#include "CliFixture.h"

#include <csignal>
#include <cstdio>
#include <regex>
#include <thread>

namespace {

class CliStationTest : public CliFixture {};

// The data-register writes of a trace, in order.
std::vector<std::string> TraceWrites(const Bytes& trace)
{
    const std::string text(trace.begin(), trace.end());
    const std::regex write(" W ([0-9A-F]{2})\n");
    std::vector<std::string> writes;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), write); it != std::sregex_iterator(); ++it)
        writes.push_back((*it)[1].str());
    return writes;
}

} // namespace

TEST_F(CliStationTest, CtrlCStopsAWriteAtTheNextByteAndReleasesTheLines)
{
    // And so do kill and a hang-up: the terminal closed, the ssh link dropped.
    for (const auto& [number, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
        SCOPED_TRACE(status);
        setChip(erased());
        Bytes image = programmed();
        const std::string file = write("fw.bin", image);
        const std::string trace = path("trace.txt");
        std::filesystem::remove(trace);
        CliProcess process({binary(), "write", file, simPort(), "--trace", trace}, environment());
        ASSERT_TRUE(process.waitForError("write: " + file));
        // Well into the bytes: the trace grows by some 2 KB for each one written.
        while (std::filesystem::file_size(trace) < 256 * 1024)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        process.signal(number);
        const auto r = process.finish();

        EXPECT_EQ(r.status, status);
        std::smatch m;
        ASSERT_TRUE(std::regex_search(r.err, m,
                                      std::regex("\nvorlane-cli: write stopped before 0x([0-9A-F]{4}) \\(wrote ([0-9,]+) "
                                                 "bytes, skipped 0 already on the chip\\); the target's lines are "
                                                 "released\n$")))
            << r.err;
        const int stoppedAt = std::stoi(m[1].str(), nullptr, 16);
        EXPECT_GT(stoppedAt, 0);
        EXPECT_LT(stoppedAt, 12288);
        Bytes expected = erased();
        std::copy_n(image.begin(), stoppedAt, expected.begin());
        EXPECT_EQ(chip(), expected) << "the chip file holds each byte written and nothing else";

        // The release ends the trace: rest, data line, SCK and DATA high with
        // reset away from rest, then every line high.
        const auto writes = TraceWrites(read(trace));
        ASSERT_GE(writes.size(), 4u);
        EXPECT_EQ(std::vector<std::string>(writes.end() - 4, writes.end()),
                  (std::vector<std::string>{"00", "04", "07", "FF"}));
    }
}

TEST_F(CliStationTest, LinksNoWidgetsAndNoGui)
{
    const auto r = CliProcess::Run({"/usr/bin/ldd", binary()}, {});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("libQt6Core.so"), std::string::npos) << r.out << "\n(the settings store's Qt Core)";
    EXPECT_EQ(r.out.find("libQt6Widgets"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("libQt6Gui"), std::string::npos) << r.out;
}

TEST_F(CliStationTest, TakesTheWindowsCableAndNeverWritesTheStore)
{
    const std::string store =
        storeSettings("LPT=956\nClock%20Pin=5\nWritten%20Time=3000\nFirst%20Time%202=0\nProgrammer=usbasp\n");
    const Bytes stored = read(store);
    const auto before = std::filesystem::last_write_time(store);

    auto r = cli({"info", simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Port: simulated AT89S53 at 0x3BC, chip kept in " + chipFile() +
                         "\n"
                         "Programmer:   Parallel-port cable to a simulated chip\n"
                         "Port address: 0x3BC\n"
                         "Device:       AT89S53 (12288 bytes)\n"
                         "Pins:         RST D0, CLK D5, DTA D2\n"
                         "Rest levels:  0x00 (\"-RST Inverted\" on)\n"
                         "On release:   SCK high, DATA high\n"
                         "Timing:       reset 50,000 us, clock up 2 us, clock down 2 us, after each write 3,000 us\n"
                         "Writes:       each byte read before writing and read back after (always)\n"
                         "Settings:     " + store + "\n");

    // The programmer chosen in the window, unless VORLANE_PORT or --port say.
    for (const auto& [environment, programmer] :
         {std::pair{"VORLANE_PORT=", "Programmer:   USBasp\n"}, {"VORLANE_PORT=none", "Programmer:   None\n"}}) {
        r = cli({"info"}, {environment});
        EXPECT_NE(r.out.find(programmer), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("Port address:"), std::string::npos) << r.out << "\n(the cable's alone)";
    }

    // The simulated chip sits on the default cable: with the clock on D5 it
    // never answers, and the write fails; --set puts the clock back for one run.
    const std::string file = write("fw.bin", Bytes{0x02, 0x00, 0x30});
    r = cli({"write", file, simPort()});
    EXPECT_EQ(r.status, 1) << r.err;
    r = cli({"write", file, simPort(), "--set", "Clock Pin=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    const Bytes flash = chip();
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 3), (Bytes{0x02, 0x00, 0x30}));

    EXPECT_EQ(read(store), stored);
    EXPECT_EQ(std::filesystem::last_write_time(store), before);
    std::filesystem::remove(store);
    r = cli({"blank-check", simPort(), "--set=Clock Pin=1"});
    EXPECT_FALSE(std::filesystem::exists(store)) << "a store that was not there stays away";
}

TEST_F(CliStationTest, QuietIsSilentOnSuccessOnly)
{
    const std::string file = write("fw.bin", Bytes{0x02, 0x00, 0x30});
    auto r = cli({"write", "-q", file, simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    r = cli({"--quiet", "blank-check", simPort()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vorlane-cli: not blank: the byte at 0x0000 is not 0xFF\n");
}

TEST_F(CliStationTest, HelpAndVersion)
{
    auto r = cli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("Usage: vorlane-cli [OPTIONS] COMMAND [ARGS]\n")) << r.out;
    for (const char* status : {" 0 ", " 1 ", " 2 ", " 3 ", " 129 ", " 130 ", " 143 "})
        EXPECT_NE(r.out.find(status), std::string::npos) << "exit status" << status << "\n" << r.out;
    r = cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "vorlane-cli " VORLANE_VERSION "\n");
}
