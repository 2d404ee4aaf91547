#include <LinkFixture.h>

#include <DirectIoBackend.h>
#include <FileLock.h>
#include <NoneBackend.h>
#include <ParportLocator.h>
#include <PortHints.h>
#include <PpdevBackend.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A scratch folder removed with the test.
struct TempDir {
    TempDir()
    {
        char pattern[] = "/tmp/vorlane-test-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path); }
    void write(const std::string& relative, const std::string& text) const
    {
        fs::create_directories((fs::path(path) / relative).parent_path());
        std::ofstream(fs::path(path) / relative) << text;
    }
    std::string operator/(const std::string& relative) const { return (fs::path(path) / relative).string(); }
    std::string path;
};

// Sets an environment variable for the life of the object.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }
    const char* name_;
    std::string old_;
    bool had_ = false;
};

using PortTest = LinkFixture;

} // namespace

TEST_F(PortTest, SimulatedAccessCostIsSpentOnTheCounter)
{
    // 1 MHz: 2500 ns is 3 whole ticks, each query one tick.
    SimBackend sim({}, 2500);
    sim.open(0x378);
    EXPECT_EQ(sim.describe(), "Port: simulated AT89S53 at 0x378, 2500 ns per access");
    int64_t before = counter.ticks();
    sim.write(0x378, 0x00);
    // The start, the chip's own reading, then readings until 3 ticks have passed.
    EXPECT_EQ(counter.ticks() - before, 4);
    before = counter.ticks();
    sim.read(0x379);
    EXPECT_EQ(counter.ticks() - before, 4);

    SimBackend free;
    free.open(0x378);
    before = counter.ticks();
    free.write(0x378, 0x00);
    free.read(0x379);
    EXPECT_EQ(counter.ticks() - before, 2) << "the chip's readings only";
}

TEST(ParportLocatorTest, MatchesBaseAgainstFakeProcTree)
{
    TempDir proc;
    proc.write("parport0/base-addr", "888\t1912\n");
    proc.write("parport1/base-addr", "53264\t53256\n");
    proc.write("parport10/base-addr", "632\t-1\n");
    proc.write("default/timeslice", "200\n");
    proc.write("parportX/base-addr", "garbage\n");

    EXPECT_EQ(FindParportDevice(0x378, proc.path, "/dev"), "/dev/parport0");
    EXPECT_EQ(FindParportDevice(0xD010, proc.path, "/dev"), "/dev/parport1");
    EXPECT_EQ(FindParportDevice(0x278, proc.path, "/dev"), "/dev/parport10");
    EXPECT_EQ(FindParportDevice(0x3BC, proc.path, "/dev"), "");
    EXPECT_EQ(FindParportDevice(0x378, proc / "missing", "/dev"), "");
    EXPECT_EQ(ParportBase("/dev/parport1", proc.path), 53264);
    EXPECT_EQ(ParportBase("/dev/ttyS0", proc.path), -1);
}

TEST(PpdevBackendTest, FailuresDescribeWhyAndWhatToDo)
{
    TempDir proc;
    proc.write("parport0/base-addr", "888\t1912\n");
    PpdevBackend noMatch({}, proc.path, proc.path);
    EXPECT_FALSE(noMatch.open(0x278));
    EXPECT_EQ(noMatch.describe(),
              "No parallel port at 0x278: no /dev/parportN has that base (" + proc.path +
                  "). Try VORLANE_PORT=ppdev:/dev/parportN, or VORLANE_PORT=sim for the simulated chip.");

    // Matched, but the node is missing (module not loaded).
    PpdevBackend missingNode({}, proc.path, proc / "dev");
    EXPECT_FALSE(missingNode.open(0x378));
    EXPECT_NE(missingNode.describe().find(proc / "dev/parport0" + ": No such file or directory (errno 2)"),
              std::string::npos)
        << missingNode.describe();

    // A node that is not a parallel port: it opens, a job's claim fails,
    // nothing crashes and nothing is written.
    proc.write("notaport", "");
    PpdevBackend notPort(proc / "notaport");
    EXPECT_TRUE(notPort.open(0x378));
    std::string why;
    EXPECT_FALSE(notPort.claim(std::chrono::milliseconds(0), &why));
    EXPECT_NE(why.find("claim failed"), std::string::npos) << why;
    EXPECT_FALSE(notPort.isClaimed());
    notPort.write(0x378, 0x55);
    EXPECT_EQ(notPort.read(0x379), 0x80);
}

// A port or chip that another program's job holds: the claim waits, then
// says who holds it; once it is let go, the next claim has it.
TEST(PortClaimTest, BusyNamesTheHolder)
{
    TempDir dir;
    dir.write("parport0", "");
    std::ifstream comm("/proc/self/comm");
    std::string self;
    std::getline(comm, self);
    self += " (pid " + std::to_string(::getpid()) + ")";
    struct Case {
        const char* name;
        std::unique_ptr<PortBackend> backend;
        std::string locked; // the file the other program holds
        std::string what;   // as the refusal names it
    } cases[] = {
        {"ppdev", std::make_unique<PpdevBackend>(dir / "parport0"), dir / "parport0", dir / "parport0"},
        {"direct I/O", std::make_unique<DirectIoBackend>(dir.path), dir / "vorlane-lpt-0x378", "The port at 0x378"},
        {"simulated chip", std::make_unique<SimBackend>(dir / "chip.bin"), dir / "chip.bin", dir / "chip.bin"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.backend->open(0x378);
        dir.write(c.locked.substr(dir.path.size() + 1), "");
        FileLock other;
        ASSERT_TRUE(other.take(c.locked, std::chrono::milliseconds(0), nullptr, nullptr));
        std::string why;
        const auto before = std::chrono::steady_clock::now();
        EXPECT_FALSE(c.backend->claim(std::chrono::milliseconds(200), &why));
        EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(200)) << "it waited first";
        EXPECT_EQ(why, BusyText(c.what, self));
        other.release();
        why.clear();
        // ppdev's own claim then fails on a node that is no port: past the lock.
        EXPECT_EQ(c.backend->claim(std::chrono::milliseconds(0), &why), c.name != std::string("ppdev")) << why;
        EXPECT_EQ(why.find("in use"), std::string::npos) << why;
        c.backend->unclaim();
    }
}

TEST(PortHintsTest, ErrnoAdvice)
{
    EXPECT_NE(ErrnoText(EACCES).find("group lp"), std::string::npos);
    EXPECT_NE(ErrnoText(EBUSY).find("modprobe -r lp"), std::string::npos);
    EXPECT_NE(ErrnoText(EPERM).find("CAP_SYS_RAWIO"), std::string::npos);
    EXPECT_EQ(HexAddress(0x3BC), "0x3BC");
}

TEST_F(PortTest, BaseZeroNeverOpensOrWrites)
{
    RecordingBackend& rec = useRecorder();
    port().writeData(0, 0x12);
    EXPECT_EQ(port().readStatus(0), 0x80);
    EXPECT_TRUE(rec.opens.empty());
    EXPECT_TRUE(rec.writes.empty());
    EXPECT_EQ(rec.reads, 0);
}

TEST_F(PortTest, OpensLazilyAndReopensWhenTheBaseChanges)
{
    RecordingBackend& rec = useRecorder();
    EXPECT_TRUE(rec.opens.empty());
    lineDriver().WriteData(0x01);
    lineDriver().WriteData(0x02);
    programmerSettings().lptBase = 0x278;
    lineDriver().WriteData(0x03);
    lineDriver().ReadStatus();
    EXPECT_EQ(rec.opens, (std::vector<uint16_t>{0x378, 0x278}));
    port().release();
    EXPECT_EQ(rec.closes, 1);
    lineDriver().WriteData(0x04);
    EXPECT_EQ(rec.opens.size(), 3u) << "a released port opens again on the next access";
}

TEST_F(PortTest, EnvironmentChoosesTheBackend)
{
    {
        ScopedEnv env("VORLANE_PORT", "none");
        ResetPortForTesting();
        EXPECT_EQ(port().describe(0x378), "No port: VORLANE_PORT=none");
        EXPECT_EQ(port().readStatus(0x378), 0x80);
        EXPECT_NE(dynamic_cast<NoneBackend*>(port().backend()), nullptr);
    }
    {
        ScopedEnv env("VORLANE_PORT", "sim");
        ResetPortForTesting();
        EXPECT_EQ(port().describe(0x3BC), "Port: simulated AT89S53 at 0x3BC");
        EXPECT_NE(dynamic_cast<SimBackend*>(port().backend()), nullptr);
    }
    {
        ScopedEnv env("VORLANE_PORT", "ppdev:/nonexistent/parport7");
        ResetPortForTesting();
        const std::string text = port().describe(0x378);
        EXPECT_EQ(text.rfind("No parallel port at 0x378: /nonexistent/parport7: No such file", 0), 0u) << text;
        EXPECT_EQ(port().readStatus(0x378), 0x80) << "a port that failed reads as absent";
    }
    {
        ScopedEnv env("VORLANE_PORT", "serial");
        ResetPortForTesting();
        EXPECT_NE(port().describe(0x378).find("VORLANE_PORT=serial is not one of"), std::string::npos);
    }
    {
        ScopedEnv env("VORLANE_PORT", "sim,access=1us");
        ResetPortForTesting();
        EXPECT_EQ(port().describe(0x378), "Port: simulated AT89S53 at 0x378, 1000 ns per access");
    }
}

TEST_F(PortTest, TraceLogsEveryOperation)
{
    TempDir dir;
    const std::string file = dir / "trace.txt";
    {
        ScopedEnv env("VORLANE_TRACE", file);
        ResetPortForTesting();
        useRecorder().idleStatus = 0x7F;
        port().writeData(0x378, 0x0A);
        port().readStatus(0x378);
        ResetPortForTesting();
    }
    std::ifstream in(file);
    long long t1 = -1, t2 = -1;
    std::string op1, v1, op2, v2, rest;
    in >> t1 >> op1 >> v1 >> t2 >> op2 >> v2;
    EXPECT_GE(t1, 0);
    EXPECT_GE(t2, t1);
    EXPECT_EQ(op1 + " " + v1, "W 0A");
    EXPECT_EQ(op2 + " " + v2, "R 7F");
    EXPECT_FALSE(in >> rest);
}
