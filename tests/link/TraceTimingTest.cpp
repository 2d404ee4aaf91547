#include <LinkFixture.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

// The trace a user would take of the reset pulse on the simulated chip.
TEST(TraceTimingTest, EnterAndLeaveOnTheSimBackend)
{
    const std::string file =
        std::filesystem::temp_directory_path() / ("vorlane-trace-" + std::to_string(getpid()) + ".txt");
    std::filesystem::remove(file);
    setenv("VORLANE_PORT", "sim", 1);
    setenv("VORLANE_TRACE", file.c_str(), 1);
    ResetPortForTesting();
    ResetLineDriverForTesting();
    programmerSettings() = DefaultProgrammerSettings();
    lineDriver().RefreshTimerFrequency();

    lineDriver().EnterProgramming();
    lineDriver().LeaveProgramming();
    ResetPortForTesting();
    unsetenv("VORLANE_PORT");
    unsetenv("VORLANE_TRACE");
    ResetProgrammerSettings();

    std::ifstream in(file);
    std::vector<long long> times;
    std::string bytes;
    long long t;
    std::string op, value;
    while (in >> t >> op >> value) {
        EXPECT_EQ(op, "W");
        times.push_back(t);
        bytes += (bytes.empty() ? "" : " ") + value;
    }
    std::filesystem::remove(file);
    EXPECT_EQ(bytes, "00 01 00 00 04 07 FF");
    const long long gaps[] = {12000, 1000, 50000, 1000, 1000, 1000};
    ASSERT_EQ(times.size(), 7u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_GE(times[i + 1] - times[i], gaps[i]) << "after write " << i + 1;
}
