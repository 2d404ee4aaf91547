// vorlane-cli in pipes and scripts: "-" for standard input and output, the
// format told by the content and the last suffix, outputs that are links,
// pipes or full, and readers that go away in the middle of a job.
#include "CliFixture.h"

#include <csignal>
#include <sys/stat.h>

namespace {

class CliStreamsTest : public CliFixture {
protected:
    static const Bytes& Firmware()
    {
        static const Bytes bytes = {0x02, 0x00, 0x30, 0x75, 0x81, 0x07, 0x12, 0x00,
                                    0x40, 0x80, 0xFE, 0x00, 0xE4, 0xF5, 0x90, 0x22};
        return bytes;
    }
    static std::string Hex() { return HexRecord(0, Firmware()) + ":00000001FF\r\n"; }
    static std::string Text(const Bytes& b) { return {b.begin(), b.end()}; }
    // Never waits for ever: a tool that hangs is killed and fails the case.
    CliProcess::Result run(std::vector<std::string> arguments, std::vector<std::string> extra = {},
                           const std::optional<std::string>& input = std::nullopt) const
    {
        arguments.insert(arguments.begin(), {"/usr/bin/timeout", "-s", "KILL", "30", binary()});
        return CliProcess::Run(arguments, environment(std::move(extra)), input);
    }
    // `output`: "-" for standard output, a file of the folder, or "" for none.
    void expectOutput(const CliProcess::Result& r, const std::string& output, const std::string& expected) const
    {
        if (output == "-") {
            EXPECT_EQ(r.out, expected);
        } else if (!output.empty()) {
            EXPECT_EQ(Text(read(path(output))), expected) << output;
        }
    }
};

} // namespace

TEST_F(CliStreamsTest, DashIsStandardInputAndOutputAndTheContentTellsTheFormat)
{
    setChip(erased());
    const std::string text = Text(Firmware());
    write("fw.hexa.bin", Firmware());
    write("fw.bin", Hex());
    write("notes.hex", std::string("firmware notes\n"));
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> input;
        int status;
        std::string output; // "-": standard output, else a file of the folder
        std::string expected;
    } cases[] = {
        {{"write", "-"}, Hex(), 0, "", ""},
        {{"write", "-"}, text, 0, "", ""},
        {{"verify", "-"}, Hex(), 0, "", ""},
        {{"verify", "-", "--format", "bin"}, Hex(), 1, "", ""},
        {{"verify", "-"}, std::string(":0100000055AB\n"), 2, "", ""},
        {{"verify", path("fw.hexa.bin")}, std::nullopt, 0, "", ""},
        {{"verify", path("fw.bin")}, std::nullopt, 0, "", ""},
        {{"verify", path("notes.hex")}, std::nullopt, 2, "", ""},
        {{"read", "-", "--range", "0:F"}, std::nullopt, 0, "-", text},
        {{"read", "-", "--range", "0:F", "--format", "hex"}, std::nullopt, 0, "-", Hex()},
        {{"read", path("dump.hex.bin"), "--range", "0:F"}, std::nullopt, 0, "dump.hex.bin", text},
        {{"read", path("dump.IHX"), "--range", "0:F"}, std::nullopt, 0, "dump.IHX", Hex()},
    };
    for (const auto& c : cases) {
        auto arguments = c.arguments;
        SCOPED_TRACE(arguments[0] + " " + arguments[1] + (c.input ? " < " + *c.input : ""));
        arguments.push_back(simPort());
        const auto r = run(arguments, {}, c.input);
        EXPECT_EQ(r.status, c.status) << r.err;
        expectOutput(r, c.output, c.expected);
        EXPECT_FALSE(std::filesystem::exists(path("-")));
    }
    const Bytes flash = chip();
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 16), Firmware());
    const auto r = run({"verify", "-", simPort()}, {}, std::string(":0100000055AB\n"));
    EXPECT_EQ(r.err, "vorlane-cli: standard input, line 1: damaged Intel HEX record: checksum AB where the record "
                     "needs AA. Nothing was loaded.\n");
}

TEST_F(CliStreamsTest, AReaderThatGoesAwayStopsThePrintingNotTheJob)
{
    // As `vorlane-cli write --erase fw.bin 2>&1 | head -1`.
    setChip(programmed());
    const std::string file = write("fw.bin", Firmware());
    const struct {
        std::vector<std::string> arguments;
        std::string firstLine;
        int status;
        Bytes chip;
    } cases[] = {
        {{"write", "--erase", file}, "erase: the whole chip\n", 0, [] {
             Bytes flash = erased();
             std::copy(Firmware().begin(), Firmware().end(), flash.begin());
             return flash;
         }()},
        {{"blank-check"}, "blank-check: ", 1, programmed()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        setChip(programmed());
        auto arguments = c.arguments;
        arguments.insert(arguments.begin(), binary());
        arguments.push_back(simPort());
        CliProcess process(arguments, environment());
        ASSERT_TRUE(process.waitForError(c.firstLine));
        process.closeError();
        EXPECT_EQ(process.finish().status, c.status);
        EXPECT_EQ(chip(), c.chip);
    }
}

TEST_F(CliStreamsTest, OutputsAreLinksPipesAndFullDisksAsUsersExpectThem)
{
    setChip(programmed());
    const Bytes flash = programmed();
    const Bytes head(flash.begin(), flash.begin() + 16);
    std::filesystem::create_directory(path("real"));
    write("real/target.bin", std::string("old"));
    std::filesystem::create_symlink("real/target.bin", path("link.bin"));
    std::filesystem::create_symlink(path("real/new.bin"), path("dangling.bin"));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        int status;
        std::string told;   // the start of standard error's last line
        std::string output; // a file that must then hold the 16 bytes read; "-": standard output
    } cases[] = {
        {{"read", path("link.bin")}, {}, 0, "", "real/target.bin"},
        {{"read", path("dangling.bin")}, {}, 0, "", "real/new.bin"},
        {{"read", "/dev/stdout"}, {}, 0, "", "-"},
        {{"read", "/dev/full"}, {}, 2, "vorlane-cli: /dev/full: cannot write: No space left on device", ""},
        {{"read", path("fifo")}, {}, 2, "vorlane-cli: " + path("fifo") + ": no program reads this FIFO", ""},
        {{"read", path("t.bin"), "--trace", "/dev/full"}, {}, 2,
         "vorlane-cli: the trace is incomplete: stopped writing to /dev/full: No space left on device", ""},
        {{"read", path("t.bin"), "--trace", path("fifo")}, {}, 2,
         "vorlane-cli: " + path("fifo") + ": cannot open the trace file: no program reads this FIFO", ""},
        {{"read", path("t.bin")}, {"VORLANE_TRACE=" + path("fifo")}, 2,
         "vorlane-cli: " + path("fifo") + ": cannot open the trace file: no program reads this FIFO", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        auto arguments = c.arguments;
        arguments.insert(arguments.end(), {"--range", "0:F", simPort()});
        const auto r = run(arguments, c.environment);
        EXPECT_EQ(r.status, c.status) << r.err;
        const auto last = r.err.rfind('\n', r.err.size() - 2);
        EXPECT_TRUE(r.err.substr(last == std::string::npos ? 0 : last + 1).starts_with(c.told)) << r.err;
        expectOutput(r, c.output, Text(head));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.bin")));

    // What was asked for and never reached its reader is a failure.
    for (const char* command : {"info", "--help"}) {
        SCOPED_TRACE(command);
        const auto r = CliProcess::Run({"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/full", binary(), command, simPort()},
                                       environment());
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "vorlane-cli: standard output: No space left on device\n");
    }
}

TEST_F(CliStreamsTest, AKilledReadLeavesNoFileBehind)
{
    setChip(programmed());
    CliProcess process({binary(), "read", path("out.bin"), simPort()}, environment());
    ASSERT_TRUE(process.waitForError("read: "));
    process.signal(SIGKILL);
    process.finish();
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename().string().find("out.bin"), std::string::npos) << entry.path();
}
