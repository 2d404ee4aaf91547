// 8 KB on an AT89S52 and 12 KB on an AT89S53 through an FTDI cable in
// synchronous bit-bang, written and read by the jobs, over the model of the
// FT232R: 1 ms USB frames (a write or a read ends at the frame boundary after
// its data), 128 bytes of transmit and 256 of receive FIFO. Time is the
// host's own as it passes (its busy-waits included) plus the modelled
// transfers; the model's computing is left out.
//
// Each figure is compared with what bounds it: the chip's waits the link sat
// out (reset, write cycles), and the link's own limit, a frame for each
// transfer the instructions' buffers take. Goal: within 1.10 times the larger.
#include "SilentFeedback.h"

#include <FtdiWorld.h>

#include <At89s51And52.h>
#include <At89s53.h>
#include <DeviceImage.h>
#include <FtdiLink.h>
#include <OpenSession.h>
#include <ReadJob.h>
#include <WriteJob.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using ftdimodel::World;

struct Run {
    double seconds;
    double waitSeconds;
    int transfers;
    bool ok;
};

void Print(const char* name, const Run& run)
{
    const double frames = run.transfers * World().frameNs / 1e9;
    const double bound = std::max(run.waitSeconds, frames);
    std::printf("%-22s %8.3f s  limit 1.10 x max(waits %7.3f s, frames %7.3f s = %6d transfers x 1 ms) = %8.3f s"
                "  ratio %.3f %s  (waits + frames %8.3f s)  %s\n",
                name, run.seconds, run.waitSeconds, frames, run.transfers, 1.10 * bound, run.seconds / bound,
                run.seconds <= 1.10 * bound ? "met" : "MISSED", run.waitSeconds + frames,
                run.ok ? "ok" : "WRONG BYTES");
}

class Bench {
public:
    // On the cable `product`, its chip's MISO on `misoBit`.
    Bench(DeviceId id, sim::IspChip& chip, uint16_t product = 0x6001, const char* form = "ftdi", int misoBit = 3)
        : chip_(chip)
    {
        World().reset();
        World().clock.useRealTime(true);
        SetCounterForTesting(&World().clock);
        World().plug(product, "FT1", &chip_).misoBit = misoBit;
        settings_.device = static_cast<uint32_t>(id);
        size_ = DeviceById(id).flashSize;
        session_ = OpenSession(settings_, PortChoice::parse(form), "");
        image_.resize(static_cast<size_t>(size_));
        for (int a = 0; a < size_; ++a)
            image_[a] = static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
    }
    ~Bench()
    {
        session_.reset();
        SetCounterForTesting(nullptr);
    }

    // The erased chip written whole.
    Run write()
    {
        std::fill(chip_.flashBytes().begin(), chip_.flashBytes().end(), 0xFF);
        DeviceImage source;
        source.deviceSize = size_;
        std::copy(image_.begin(), image_.end(), source.buffer.begin());
        return measure([&] {
            return WriteJob(*session_, source, feedback_, WriteJob::Mode::All).run(0, size_ - 1, 0) &&
                   std::equal(image_.begin(), image_.end(), chip_.flashBytes().begin());
        });
    }
    Run read()
    {
        std::copy(image_.begin(), image_.end(), chip_.flashBytes().begin());
        DeviceImage target;
        target.deviceSize = size_;
        return measure([&] {
            return ReadJob(*session_, target, feedback_).run(0, size_ - 1) &&
                   std::equal(image_.begin(), image_.end(), target.buffer.begin());
        });
    }

private:
    template <typename Job>
    Run measure(Job job)
    {
        auto& link = dynamic_cast<FtdiLink&>(session_->link());
        World().writes = 0;
        World().reads = 0;
        const int64_t waited = link.waitedTicks();
        const int64_t start = World().clock.peek();
        const bool ok = job();
        const int64_t end = World().clock.peek();
        return {(end - start) / 1e9, (link.waitedTicks() - waited) / 1e9, World().writes + World().reads, ok};
    }

    sim::IspChip& chip_;
    int size_ = 0;
    ProgrammerSettings settings_ = DefaultProgrammerSettings();
    std::unique_ptr<ProgrammingSession> session_;
    std::vector<uint8_t> image_;
    SilentFeedback feedback_;
};

} // namespace

int main()
{
    std::printf("FTDI FT232R in synchronous bit-bang (model): 1 ms USB frames, FIFOs 128 out / 256 in\n");
    {
        sim::At89s51And52 chip(sim::At89s51And52::Variant::S52);
        Bench bench(DeviceId::AT89S52, chip);
        Print("AT89S52 8 KB write", bench.write());
        Print("AT89S52 8 KB read", bench.read());
    }
    {
        sim::At89s53 chip;
        Bench bench(DeviceId::AT89S53, chip);
        Print("AT89S53 12 KB write", bench.write());
        Print("AT89S53 12 KB read", bench.read());
    }
    std::printf("FTDI FT232H in MPSSE (model), MISO on RTS (AD2): 1 ms USB frames\n");
    {
        sim::At89s51And52 chip(sim::At89s51And52::Variant::S52);
        Bench bench(DeviceId::AT89S52, chip, 0x6014, "ftdi,miso=RTS", 2);
        Print("AT89S52 8 KB write", bench.write());
        Print("AT89S52 8 KB read", bench.read());
    }
    {
        sim::At89s53 chip;
        Bench bench(DeviceId::AT89S53, chip, 0x6014, "ftdi,miso=RTS", 2);
        Print("AT89S53 12 KB write", bench.write());
        Print("AT89S53 12 KB read", bench.read());
    }
    return 0;
}
