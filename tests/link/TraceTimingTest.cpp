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
    // access: the least each access takes, which the phase after it adds to.
    MinimumGaps(const ProgrammerSettings& s, uint32_t accessUs) : s_(s), accessUs_(accessUs) {}
    void enter() { add({12000, 1000, s_.resetTimeUs}); }
    void shiftOut(int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            for (int bit = 0; bit < 8; ++bit)
                add({s_.downTimeUs, s_.upTimeUs});
            add({s_.downTimeUs});
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
    void add(std::initializer_list<uint32_t> us)
    {
        for (const uint32_t phase : us)
            gaps.push_back(phase + accessUs_);
    }
    const ProgrammerSettings& s_;
    uint32_t accessUs_;
};

struct TraceCase {
    const char* port;
    uint32_t accessUs; // whole microseconds of its access cost
    uint32_t upUs;
    uint32_t downUs;
};

void PrintTo(const TraceCase& c, std::ostream* os) { *os << c.port << " " << c.upUs << "/" << c.downUs; }

// A reset, a byte written and read back, and the release, on the simulated
// chip with the real counter, traced as a user would trace it.
class TraceTimingTest : public ::testing::TestWithParam<TraceCase> {};

} // namespace

TEST_P(TraceTimingTest, EveryGapIsAtLeastItsSetting)
{
    const std::string file = std::filesystem::temp_directory_path() /
                             ("vorlane-trace-" + std::to_string(getpid()) + ".txt");
    std::filesystem::remove(file);
    const TraceCase& c = GetParam();
    setenv("VORLANE_PORT", c.port, 1);
    setenv("VORLANE_TRACE", file.c_str(), 1);
    auto test = std::make_unique<TestSession>();
    test->settings = DefaultProgrammerSettings();
    test->settings.upTimeUs = c.upUs;
    test->settings.downTimeUs = c.downUs;
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

    // A trace stamps each access as it begins, in whole microseconds: an
    // access of A us and a phase of P us after it show as at least P + A.
    MinimumGaps expected(s, c.accessUs);
    expected.enter();
    expected.shiftOut(6);
    expected.thenWait(s.writtenTimeUs);
    expected.shiftOut(2);
    expected.shiftIn();
    expected.leave();

    std::ifstream in(file);
    std::vector<long long> writes;
    std::string reads; // what was read between writes: the SCK up phases
    std::vector<long long> readsAfterRise;
    long long t;
    std::string op, value;
    while (in >> t >> op >> value) {
        if (op == "W") {
            writes.push_back(t);
        } else {
            reads += std::to_string(writes.size()) + " ";
            readsAfterRise.push_back(t - writes.back());
        }
    }
    std::filesystem::remove(file);

    EXPECT_EQ(back, 0x5A) << described;
    EXPECT_EQ(described.find(" ns per access") != std::string::npos, c.accessUs > 0) << described;
    ASSERT_EQ(writes.size(), expected.gaps.size() + 1) << described;
    for (size_t i = 0; i + 1 < writes.size(); ++i)
        EXPECT_GE(writes[i + 1] - writes[i], expected.gaps[i]) << "after write " << i + 1 << "; " << described;
    // Each status read sits in an up phase of the read instruction: after
    // the 3 + 8 * 17 writes before it, every other write.
    std::string inUp;
    for (int bit = 0; bit < 8; ++bit)
        inUp += std::to_string(3 + 8 * 17 + 1 + 2 * bit) + " ";
    EXPECT_EQ(reads, inUp);
    // ... late in it: SCK has been up its time since its write began.
    for (const long long after : readsAfterRise)
        EXPECT_GE(after, c.upUs) << described;
}

// Free port accesses, and each costing what direct I/O and a ppdev ioctl do.
INSTANTIATE_TEST_SUITE_P(Ports, TraceTimingTest,
                         ::testing::Values(TraceCase{"sim", 0, 2, 2}, TraceCase{"sim,access=1900ns", 1, 2, 2},
                                           TraceCase{"sim", 0, 3, 5}, TraceCase{"sim,access=1000ns", 1, 5, 3}));
