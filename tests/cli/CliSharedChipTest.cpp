// One simulated chip and two programs, as a developer has them: a second
// vorlane-cli in another terminal, the window's unattended write beside one,
// and a writer killed in the middle of keeping the chip.
#include "CliFixture.h"

#include <At89s51And52.h>
#include <ChipFile.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <csignal>
#include <set>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

class CliSharedChipTest : public CliFixture {
protected:
    // A program's job holds the chip file: its lock is taken.
    bool chipBusy() const
    {
        const int fd = ::open(chipFile().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        return busy;
    }
    // Stops `p` once its job has begun (vorlane-cli says so; the window's
    // job shows as the chip taken), so that it keeps the chip for as long as
    // the test needs; false if the job never began.
    bool stopInItsJob(CliProcess& p, bool window) const
    {
        if (!window) {
            const bool begun = p.waitForError("write: ");
            p.signal(SIGSTOP);
            return begun;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < until && !p.ended()) {
            p.signal(SIGSTOP);
            if (chipBusy())
                return true;
            p.signal(SIGCONT);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    // The window's unattended write, or vorlane-cli's, of `file` on the chip.
    std::unique_ptr<CliProcess> start(bool window, const std::string& file) const
    {
        const std::string port = "sim:" + chipFile();
        if (window)
            return std::make_unique<CliProcess>(std::vector<std::string>{VORLANE_BINARY, file},
                                                environment({"VORLANE_PORT=" + port, "VORLANE_UNATTENDED=1"}));
        return std::make_unique<CliProcess>(std::vector<std::string>{binary(), "write", file, "--port=" + port},
                                            environment());
    }
    // `count` bytes from `first`, none of them 0xFF, as an Intel HEX file.
    std::string image(const std::string& name, int first, int count, uint8_t seed, Bytes& chip) const
    {
        std::string text;
        for (int a = first; a < first + count; a += 16) {
            Bytes row;
            for (int i = 0; i < 16; ++i)
                row.push_back(chip[static_cast<size_t>(a + i)] = static_cast<uint8_t>((a + i) * seed % 251));
            text += HexRecord(a, row);
        }
        return write(name, text + ":00000001FF\r\n");
    }
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }
};

std::string Holder(const char* program, const CliProcess& process)
{
    return std::string(" is in use by ") + program + " (pid " + std::to_string(process.pid()) +
           "); try again when its job is done";
}

} // namespace

// The first program's job keeps the chip; the second waits up to 3 s for it.
// Given it in time, it writes; else it says who has the chip and writes
// nothing. Neither ever writes a stale copy over the other's bytes.
TEST_F(CliSharedChipTest, TwoWritersNeverLoseBytesAndTheSecondNamesTheFirst)
{
    struct Case {
        const char* name;
        bool firstIsWindow;
        bool secondIsWindow;
        bool firstEndsInTime; // within the second's 3 s, as a short job does
        int firstBytes;
        int secondExit;
        const char* busyLine; // how the second's refusal begins
    } cases[] = {
        {"vorlane-cli after a vorlane-cli job that ends in time", false, false, true, 64, 0, nullptr},
        {"vorlane-cli while vorlane-cli writes", false, false, false, 512, 3, "vorlane-cli: "},
        {"the window's write while vorlane-cli writes", false, true, false, 512, 1, "ERROR: "},
        {"vorlane-cli while the window writes", true, false, false, 512, 3, "vorlane-cli: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setChip(erased());
        Bytes expected = erased();
        const std::string first = image("first.hex", 0x000, c.firstBytes, 7, expected);
        Bytes second = expected;
        const std::string secondFile = image("second.hex", 0x2000, 256, 13, second);

        auto a = start(c.firstIsWindow, first);
        ASSERT_TRUE(stopInItsJob(*a, c.firstIsWindow)) << "the first job never began";
        auto b = start(c.secondIsWindow, secondFile);
        if (c.firstEndsInTime) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            a->signal(SIGCONT);
        }
        const auto rb = b->finish();
        a->signal(SIGCONT);
        const std::string holder = Holder(c.firstIsWindow ? "vorlane" : "vorlane-cli", *a);
        const auto ra = a->finish();

        EXPECT_EQ(ra.status, 0) << ra.err;
        EXPECT_EQ(rb.status, c.secondExit) << rb.err;
        if (c.busyLine) {
            EXPECT_NE(rb.err.find(c.busyLine + chipFile() + holder), std::string::npos) << rb.err;
        } else {
            expected = second;
        }
        EXPECT_EQ(chip(), expected) << "every byte of the job that had the chip, and no other change";
    }
}

// A writer killed at any moment of keeping the chip (while its new file is
// written, between renames, ...) leaves a chip file that the next run loads
// as a state the chip could be in, and no stray file once that run is done.
// An erase of a locked chip changes flash and lock state at once.
TEST_F(CliSharedChipTest, AKilledWriterLeavesALoadableChipFile)
{
    Bytes firmware = programmed();
    firmware.resize(64);
    const std::string fw = write("fw.bin", firmware);
    const std::string port = "--port=sim:s51:" + chipFile();
    for (int change = 1; change <= 3; ++change) {
        SCOPED_TRACE("killed at the folder's change " + std::to_string(change));
        setChip(Bytes(4096, 0xFF));
        ASSERT_EQ(cli({"write", fw, port, "--device=at89s51", "--lock", "1"}).status, 0);

        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(::inotify_add_watch(watch, dir_.c_str(), IN_CREATE | IN_MOVED_TO), 0);
        CliProcess erase({binary(), "erase", port, "--device=at89s51"}, environment());
        for (int seen = 0; seen < change && !erase.ended();) {
            pollfd p{watch, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            alignas(inotify_event) char events[4096];
            for (ssize_t n = ::read(watch, events, sizeof events), at = 0; at < n; ++seen)
                at += static_cast<ssize_t>(sizeof(inotify_event) + reinterpret_cast<inotify_event*>(events + at)->len);
        }
        erase.signal(SIGKILL);
        erase.finish();
        ::close(watch);

        sim::At89s51And52 model(sim::At89s51And52::Variant::S51);
        std::string error;
        ASSERT_TRUE(sim::LoadChipFile(model, chipFile(), &error)) << error;
        const Bytes flash(model.flash().begin(), model.flash().begin() + 64);
        const bool erased = std::all_of(model.flash().begin(), model.flash().end(), [](uint8_t b) { return b == 0xFF; });
        const bool before = flash == firmware && model.lockMode() == 2;
        const bool after = erased && !model.locked();
        EXPECT_TRUE(before || after) << "lock mode " << model.lockMode() << " over a flash "
                                     << (erased ? "erased" : flash == firmware ? "programmed" : "torn");

        const auto read = cli({"read", path("out.bin"), port, "--device=at89s51", "--range=0:3F"});
        EXPECT_EQ(read.status, 0) << read.err;
        EXPECT_EQ(entries(), (std::set<std::string>{"chip.bin", "config", "fw.bin", "out.bin"}));
    }
}
