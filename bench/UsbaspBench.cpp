// 8 KB on an AT89S52 through a USBasp, written and read by the jobs, over
// the model of its firmware with each control transfer costing what it
// costs a low-speed device behind a full-speed host: 1 ms, plus 100 us for
// each 8-byte data packet, plus the firmware's own work at the SCK it runs.
// Time is the host's own as it passes (its busy-waits included) plus the
// modelled transfers; the model's computing is left out. Each figure is
// compared with the link's own limit, the time its transfers take (writing:
// plus the write cycles the host must wait), and with avrdude's (24.57 s to
// write an AT89S52's 8 KB, 8.19 s to verify it, one transfer a byte).
//
// The firmware's own enable is within the transfers: against the simulated
// chip, which takes no frame for 10 ms after each RST rise, the fork's quick
// tries fail and it searches down through slower SCKs before giving up,
// about 1.6 s each job; a chip that settles at once answers in milliseconds.
#include "SilentFeedback.h"

#include <UsbWorld.h>

#include <At89s51And52.h>
#include <CrystalTiming.h>
#include <DeviceImage.h>
#include <FourByteInstructions.h>
#include <OpenSession.h>
#include <ReadJob.h>
#include <WriteJob.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using usbmodel::World;
using Kind = usbmodel::UsbaspFirmware::Kind;

constexpr int kSize = 0x2000;
constexpr int kPage = FourByteInstructions::kPageSize;

constexpr uint8_t kEnableProg = 5;

struct Run {
    double seconds;
    double transferSeconds;
    int transfers;
    double enableSeconds; // the firmware's own enable, within the transfers
    bool ok;
};

void Print(const char* name, const Run& run, double waitSeconds, double avrdudeSeconds)
{
    const double limit = run.transferSeconds + waitSeconds;
    std::printf("%-44s %7.3f s  limit %7.3f s (%5d transfers %7.3f s, of which its enable %5.3f s; + waits %6.3f s)"
                "  ratio %.3f  avrdude %5.2f s  %s\n",
                name, run.seconds, limit, run.transfers, run.transferSeconds, run.enableSeconds, waitSeconds,
                run.seconds / limit, avrdudeSeconds, run.ok ? "ok" : "WRONG BYTES");
}

class Bench {
public:
    Bench(Kind kind, bool rstInverted)
    {
        World().reset();
        World().clock.useRealTime(true);
        SetCounterForTesting(&World().clock);
        World().transferNs = 1'000'000;
        World().packetNs = 100'000;
        World().plugUsbasp(kind, usbmodel::Board{&chip_, rstInverted});
        settings_.device = static_cast<uint32_t>(DeviceId::AT89S52);
        session_ = OpenSession(settings_, PortChoice::parse("usbasp"), "");
        for (int a = 0; a < kSize; ++a)
            image_[a] = static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
    }
    ~Bench()
    {
        session_.reset();
        SetCounterForTesting(nullptr);
    }

    // The erased chip learned, written where it differs and read back.
    Run write()
    {
        chip_.flash().assign(kSize, 0xFF);
        DeviceImage source;
        source.deviceSize = kSize;
        std::copy(image_.begin(), image_.end(), source.buffer.begin());
        return measure([&] {
            return WriteJob(*session_, source, feedback_, WriteJob::Mode::Changes).run(0, kSize - 1, 0) &&
                   chip_.flash() == image_;
        });
    }
    Run read()
    {
        chip_.flash().assign(image_.begin(), image_.end());
        DeviceImage target;
        target.deviceSize = kSize;
        return measure([&] {
            return ReadJob(*session_, target, feedback_).run(0, kSize - 1) &&
                   std::equal(image_.begin(), image_.end(), target.buffer.begin());
        });
    }

private:
    template <typename Job>
    Run measure(Job job)
    {
        World().transfers = 0;
        World().transferTimeNs = 0;
        World().requestTimeNs.clear();
        const int64_t start = World().clock.peek();
        const bool ok = job();
        const int64_t end = World().clock.peek();
        return {(end - start) / 1e9, World().transferTimeNs / 1e9, World().transfers,
                World().requestTimeNs[kEnableProg] / 1e9, ok};
    }

    sim::At89s51And52 chip_{sim::At89s51And52::Variant::S52};
    ProgrammerSettings settings_ = DefaultProgrammerSettings();
    std::unique_ptr<ProgrammingSession> session_;
    std::vector<uint8_t> image_ = std::vector<uint8_t>(kSize);
    SilentFeedback feedback_;
};

} // namespace

int main()
{
    std::printf("AT89S52, 8 KB, through a USBasp (model): 1 ms a transfer, 100 us a data packet, SCK 187.5 kHz\n");
    // The write cycle at the default crystal, 3 MHz, the model's.
    const uint32_t byteWriteUs = CrystalTiming(DefaultProgrammerSettings().crystalHz).byteWriteUs();
    const double cycles = kSize * byteWriteUs / 1e6; // a page: 256 byte cycles
    {
        Bench bench(Kind::S5x, false);
        Print("write, S5x firmware (pages)", bench.write(), cycles, 24.57);
        Print("read, S5x firmware (pages)", bench.read(), 0, 8.19);
    }
    {
        // For comparison: one transfer an instruction, as avrdude does.
        Bench bench(Kind::Stock, true);
        Print("write, stock firmware, RST inverted (bytes)", bench.write(), cycles, 24.57);
        Print("read, stock firmware, RST inverted (bytes)", bench.read(), 0, 8.19);
    }
    return 0;
}
