#include <IspProgrammer.h>
#include <LinkFixture.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

// The least time the driver must leave after each data write, in the order
// of the writes, for the sequence the test sends.
class MinimumGaps {
public:
    explicit MinimumGaps(const ProgrammerSettings& s) : s_(s) {}
    void enter() { add({12000, 1000, s_.resetTimeUs}); }
    void shiftOut(int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            for (int bit = 0; bit < 8; ++bit)
                add({s_.downTimeUs, s_.upTimeUs});
            add({2});
        }
    }
    void shiftIn()
    {
        for (int bit = 0; bit < 8; ++bit)
            add({s_.upTimeUs, s_.downTimeUs});
    }
    void thenWait(uint32_t us) { gaps.back() += us; }
    void leave() { add({1000, 1000, 1000}); }

    std::vector<long long> gaps;

private:
    void add(std::initializer_list<uint32_t> us) { gaps.insert(gaps.end(), us.begin(), us.end()); }
    const ProgrammerSettings& s_;
};

// A reset, a byte written and read back, and the release, on the simulated
// chip with the real counter, traced as a user would trace it.
class TraceTimingTest : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(TraceTimingTest, EveryGapIsAtLeastItsSetting)
{
    const std::string file = std::filesystem::temp_directory_path() /
                             ("vorlane-trace-" + std::to_string(getpid()) + ".txt");
    std::filesystem::remove(file);
    setenv("VORLANE_PORT", GetParam(), 1);
    setenv("VORLANE_TRACE", file.c_str(), 1);
    auto test = std::make_unique<TestSession>();
    test->settings = DefaultProgrammerSettings();
    const ProgrammerSettings s = test->settings;
    LineDriver& d = test->session.driver();
    IspProgrammer isp(d);

    d.RefreshTimerFrequency();
    d.EnterProgramming();
    isp.ProgrammingEnable();
    isp.WriteCodeByte(0x0123, 0x5A);
    d.DelayMicroseconds(s.writtenTimeUs);
    const uint8_t back = isp.ReadCodeByte(0x0123);
    d.LeaveProgramming();
    const std::string described = test->session.describePort();
    test.reset(); // the program ends: the trace is on disk
    unsetenv("VORLANE_PORT");
    unsetenv("VORLANE_TRACE");

    MinimumGaps expected(s);
    expected.enter();
    expected.shiftOut(6);
    expected.thenWait(s.writtenTimeUs);
    expected.shiftOut(2);
    expected.shiftIn();
    expected.leave();

    std::ifstream in(file);
    std::vector<long long> writes;
    std::string reads; // what was read between writes: the SCK up phases
    long long t;
    std::string op, value;
    while (in >> t >> op >> value) {
        if (op == "W")
            writes.push_back(t);
        else
            reads += std::to_string(writes.size()) + " ";
    }
    std::filesystem::remove(file);

    EXPECT_EQ(back, 0x5A) << described;
    const bool costly = std::string(GetParam()).find(",access=") != std::string::npos;
    EXPECT_EQ(described.find(", 1900 ns per access") != std::string::npos, costly) << described;
    ASSERT_EQ(writes.size(), expected.gaps.size() + 1) << described;
    for (size_t i = 0; i + 1 < writes.size(); ++i)
        EXPECT_GE(writes[i + 1] - writes[i], expected.gaps[i]) << "after write " << i + 1 << "; " << described;
    // Each status read sits in an up phase of the read instruction: after
    // the 3 + 8 * 17 writes before it, every other write.
    std::string inUp;
    for (int bit = 0; bit < 8; ++bit)
        inUp += std::to_string(3 + 8 * 17 + 1 + 2 * bit) + " ";
    EXPECT_EQ(reads, inUp);
}

// Free port accesses, and each one costing what a ppdev ioctl does.
INSTANTIATE_TEST_SUITE_P(Ports, TraceTimingTest, ::testing::Values("sim", "sim,access=1900ns"));
