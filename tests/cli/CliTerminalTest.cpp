// vorlane-cli's progress line on a real terminal: a pseudo-terminal of a
// given width, resized in the middle of a job as a user drags the window.
#include "CliFixture.h"

#include <pty.h>
#include <regex>
#include <sys/ioctl.h>
#include <sys/wait.h>

namespace {
class CliTerminalTest : public CliFixture {};
} // namespace

TEST_F(CliTerminalTest, TheProgressLineFitsTheTerminalAndIsDrawnInPlace)
{
    setChip(programmed());
    const struct {
        unsigned short columns, resizedTo;
        int firstBar, lastBar; // the bar's width in the first progress line and in the last
    } cases[] = {{120, 120, 24, 24}, {40, 40, 5, 5}, {120, 40, 24, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.columns) + " columns, then " + std::to_string(c.resizedTo));
        winsize size{24, c.columns, 0, 0};
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
        if (pid == 0)
            CliProcess::Exec({binary(), "read", path("out.bin"), simPort()}, environment());
        std::string output;
        char buffer[4096];
        for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) {
            output.append(buffer, static_cast<size_t>(n));
            if (size.ws_col != c.resizedTo && output.find('%') != std::string::npos) {
                size.ws_col = c.resizedTo;
                ::ioctl(terminal, TIOCSWINSZ, &size);
            }
        }
        ::close(terminal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0) << output;
        // What lies between carriage returns and holds a percentage.
        std::vector<std::string> lines;
        for (size_t start = 0, end; (end = output.find_first_of("\r\n", start)) != std::string::npos; start = end + 1)
            if (output.find('%', start) < end)
                lines.push_back(output.substr(start, end - start));
        ASSERT_GE(lines.size(), 5u) << "a read of two seconds redraws ten times a second";
        const auto bar = [](int width) {
            return std::regex("read {8}\\[[#.]{" + std::to_string(width) +
                              "}\\] {0,3}[0-9]{1,3}%  0x[0-9A-F]{4}  [0-9]+\\.[0-9] s *");
        };
        EXPECT_TRUE(std::regex_match(lines.front(), bar(c.firstBar))) << lines.front();
        EXPECT_TRUE(std::regex_match(lines.back(), bar(c.lastBar))) << lines.back();
        EXPECT_LT(lines.back().size(), c.resizedTo) << "as wide as the terminal, it would wrap at the next redraw";
    }
}
