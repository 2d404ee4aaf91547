// What a command line asks for; the mistakes and their messages are checked
// end to end (CliRefusalsTest).
#include <CliArguments.h>

#include <gtest/gtest.h>

namespace {

using Command = CliArguments::Command;

CliArguments Parsed(const std::vector<std::string>& words)
{
    std::string error;
    const auto args = CliArguments::Parse(words, 0x3000, &error);
    EXPECT_TRUE(args.has_value()) << error;
    return args.value_or(CliArguments{});
}

} // namespace

TEST(CliArgumentsTest, CommandsAndTheirArguments)
{
    const struct {
        std::vector<std::string> words;
        Command command;
        std::string file;
        int level;
    } cases[] = {
        {{"write", "fw.hex"}, Command::Write, "fw.hex", 0},
        {{"read", "out.bin"}, Command::Read, "out.bin", 0},
        {{"verify", "fw.ihx"}, Command::Verify, "fw.ihx", 0},
        {{"blank-check"}, Command::BlankCheck, "", 0},
        {{"erase"}, Command::Erase, "", 0},
        {{"lock", "3"}, Command::Lock, "", 3},
        {{"reset"}, Command::Reset, "", 0},
        {{"info"}, Command::Info, "", 0},
        {{"--", "write", "-odd.bin"}, Command::Write, "-odd.bin", 0},
        {{"-q", "write", "-", "--lock=2"}, Command::Write, "-", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words.front());
        const CliArguments args = Parsed(c.words);
        EXPECT_EQ(args.command, c.command);
        EXPECT_EQ(args.file, c.file);
        EXPECT_EQ(args.level, c.level);
        EXPECT_STREQ(CommandName(args.command), c.words.front() == "--"   ? "write"
                                                : c.words.front() == "-q" ? "write"
                                                                          : c.words.front().c_str());
    }
}

TEST(CliArgumentsTest, OptionsBeforeAndAfterTheCommand)
{
    const CliArguments args =
        Parsed({"--quiet", "--port", "sim:chip.bin", "write", "fw.bin", "--erase", "--range", "0x100:1ff",
                "--format=hex", "--trace=t.txt", "--set", "Clock Pin=5", "--set=Up Time=3", "--lock", "0"});
    EXPECT_EQ(args.command, Command::Write);
    EXPECT_TRUE(args.quiet);
    EXPECT_TRUE(args.erase);
    ASSERT_TRUE(args.port);
    EXPECT_EQ(args.port->kind, PortChoice::Kind::Sim);
    EXPECT_EQ(args.port->argument, "chip.bin");
    EXPECT_EQ(args.trace, "t.txt");
    EXPECT_EQ(args.format, ImageFileKind::IntelHex);
    ASSERT_TRUE(args.range);
    EXPECT_EQ(args.range->first, 0x100);
    EXPECT_EQ(args.range->last, 0x1FF);
    EXPECT_EQ(args.level, 0);
    EXPECT_EQ(args.settings,
              (std::vector<std::pair<std::string, std::string>>{{"Clock Pin", "5"}, {"Up Time", "3"}}));

    const CliArguments last = Parsed({"read", "o", "--range", "2FFF:2FFF", "--format", "bin"});
    EXPECT_EQ(last.range->first, 0x2FFF);
    EXPECT_EQ(last.format, ImageFileKind::Binary);
}

TEST(CliArgumentsTest, HelpAndVersionNeedNoCommand)
{
    EXPECT_TRUE(Parsed({"--help", "whatever", "--lock", "9"}).help);
    EXPECT_TRUE(Parsed({"-h"}).help);
    EXPECT_TRUE(Parsed({"--version"}).version);
    EXPECT_TRUE(Parsed({"-V"}).version);
}
