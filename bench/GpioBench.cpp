// A whole AT89S52 (8 KB) and AT89S53 (12 KB) over GPIO lines, read and
// written by the jobs, over the model of the kernel's character device with
// each ioctl costing what it costs on a Raspberry Pi 4, 1.5 us. Time is the
// host's own as it passes (its busy-waits included) plus the modelled
// ioctls; the model's computing is left out.
//
// Each figure is compared with the larger of two limits: the waits the chip
// mandates (every SCK phase the longer of its setting and the chip's
// shortest, the reset and write waits), and the link's own, the ioctls the
// instructions need (a line change or a MISO read each: 17 for a byte out,
// 24 for a byte in) at their cost. The goal is 1.10 times that. The line
// driver counts each wait from the end of the access that changed the line,
// so that a slow access never shortens a phase: each phase is then its
// ioctl and its wait, and "floor" is what that allows.
#include "LineModel.h"
#include "SilentFeedback.h"

#include <GpioWorld.h>

#include <ChipModel.h>
#include <DeviceImage.h>
#include <FourByteInstructions.h>
#include <OpenSession.h>
#include <ReadJob.h>
#include <WriteJob.h>

#include <linux/gpio.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using gpiomodel::World;

constexpr int64_t kIoctlNs = 1500;
constexpr int kPage = FourByteInstructions::kPageSize;

struct Figure {
    double seconds;
    int64_t accesses; // line changes and MISO reads
    bool ok;
};

void Print(const char* name, const Figure& f, double mandatedUs, double floorUs)
{
    const double mandated = mandatedUs / 1e6;
    const double link = f.accesses * kIoctlNs / 1e9;
    const double limit = std::max(mandated, link);
    std::printf("%-22s %7.3f s  goal %7.3f s = 1.10 x max(mandated %7.3f s, link %7.3f s = %8lld ioctls x 1.5 us)"
                "  ratio %.3f  floor %7.3f s  %s  %s\n",
                name, f.seconds, 1.10 * limit, mandated, link, static_cast<long long>(f.accesses), f.seconds / limit,
                floorUs / 1e6, f.seconds <= 1.10 * limit ? "meets" : "MISSES", f.ok ? "ok" : "WRONG BYTES");
}

class Bench {
public:
    explicit Bench(DeviceId id) : size_(static_cast<int>(DeviceById(id).flashSize))
    {
        World().reset();
        World().clock.useRealTime(true);
        World().ioctlNs = kIoctlNs;
        SetCounterForTesting(&World().clock);
        chip_ = MakeChipModel(id);
        World().addChip("pinctrl-bcm2711", 58).board.chip = chip_.get();
        settings_.device = static_cast<uint32_t>(id);
        session_ = OpenSession(settings_, PortChoice::parse("gpio"), "");
        // Never 0xFF, so that every byte of the erased chip is written.
        for (int a = 0; a < size_; ++a)
            image_.push_back(static_cast<uint8_t>((a * 13 + (a >> 8) + 1) % 255));
    }
    ~Bench()
    {
        session_.reset();
        SetCounterForTesting(nullptr);
    }

    const ProgrammerSettings& settings() const { return settings_; }
    ProgrammingSession& session() { return *session_; }

    Figure write()
    {
        std::fill(chip_->flashBytes().begin(), chip_->flashBytes().end(), 0xFF);
        DeviceImage source;
        source.deviceSize = size_;
        std::copy(image_.begin(), image_.end(), source.buffer.begin());
        return measure([&] {
            return WriteJob(*session_, source, feedback_, WriteJob::Mode::All).run(0, size_ - 1, 0) && holds();
        });
    }
    Figure read()
    {
        std::copy(image_.begin(), image_.end(), chip_->flashBytes().begin());
        DeviceImage target;
        target.deviceSize = size_;
        return measure([&] {
            return ReadJob(*session_, target, feedback_).run(0, size_ - 1) &&
                   std::equal(image_.begin(), image_.end(), target.buffer.begin());
        });
    }

private:
    bool holds() { return std::equal(image_.begin(), image_.end(), chip_->flashBytes().begin()); }

    template <typename Job>
    Figure measure(Job job)
    {
        World().ioctls.clear();
        const int64_t start = World().clock.peek();
        const bool ok = job();
        const int64_t end = World().clock.peek();
        return {(end - start) / 1e9,
                World().ioctls[GPIO_V2_LINE_SET_VALUES_IOCTL] + World().ioctls[GPIO_V2_LINE_GET_VALUES_IOCTL], ok};
    }

    int size_;
    std::unique_ptr<sim::SerialChip> chip_;
    ProgrammerSettings settings_ = DefaultProgrammerSettings();
    std::unique_ptr<ProgrammingSession> session_;
    std::vector<uint8_t> image_;
    SilentFeedback feedback_;
};

// The AT89S52's jobs as the line protocol has them: the enable bracket, the
// signature and lock reads, then pages (the write job learns the erased
// chip, writes each page and its wait, and reads it back).
void At89s52()
{
    Bench bench(DeviceId::AT89S52);
    const int pages = 0x2000 / kPage;
    const uint32_t pageWriteUs = bench.session().instructions()->PageWriteUs();
    const auto protocol = [&](double accessUs, bool write) {
        const LineModel l(bench.settings(), accessUs);
        const double byteRead = 3 * l.byteOut() + l.byteIn();
        const double pageRead = 2 * l.byteOut() + kPage * l.byteIn();
        const double pageWrite = (2 + kPage) * l.byteOut() + pageWriteUs;
        const double bracket = l.enter() + 3 * l.byteOut() + l.byteIn() + l.leave() + 4 * byteRead;
        return bracket + pages * (write ? 2 * pageRead + pageWrite : pageRead);
    };
    Print("AT89S52 8 KB write", bench.write(), protocol(0, true), protocol(1.5, true));
    Print("AT89S52 8 KB read", bench.read(), protocol(0, false), protocol(1.5, false));
}

// The AT89S53's: three-byte instructions, a byte at a time, each write
// followed by the write wait set (it has no page mode).
void At89s53()
{
    Bench bench(DeviceId::AT89S53);
    const int size = 0x3000;
    const auto protocol = [&](double accessUs, bool write) {
        const LineModel l(bench.settings(), accessUs);
        const double perByte = write ? 2 * l.readInstruction() + l.writeInstruction() + bench.settings().writtenTimeUs
                                     : l.readInstruction();
        return l.bracket() + size * perByte;
    };
    Print("AT89S53 12 KB write", bench.write(), protocol(0, true), protocol(1.5, true));
    Print("AT89S53 12 KB read", bench.read(), protocol(0, false), protocol(1.5, false));
}

} // namespace

int main()
{
    std::printf("GPIO lines (model of the kernel's character device, 1.5 us an ioctl, real time), default settings\n");
    At89s52();
    At89s53();
    return 0;
}
