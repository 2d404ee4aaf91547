// A 4 KB write of the simulated chip with the real counter, every byte
// written and read back, once waiting the fixed written time after each byte
// and once polling each byte for the end of its write cycle. Per byte, against
// what the chip itself needs: its write cycle plus the write instruction.
#include "LineModel.h"
#include "SilentFeedback.h"
#include "BenchSession.h"
#include "Stopwatch.h"

#include <DeviceImage.h>
#include <ProgrammerSettings.h>
#include <WriteJob.h>
#include <Port.h>
#include <SimBackend.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int kBytes = 4096;

struct Run {
    double wallUs;
    double cpuShare;
    bool ok;
};

// A Write All over [start, finish] onto an erased chip.
Run Write(SimBackend& sim, DeviceImage& image, int32_t start, int32_t finish)
{
    sim.chip().flash().fill(0xFF);
    SilentFeedback feedback;
    const Stopwatch watch;
    bool ok = WriteJob(Bench().session, image, feedback, WriteJob::Mode::All).run(start, finish, 0);
    const Run run{watch.wallUs(), watch.cpuShare(), ok};
    for (int a = start; a <= finish; ++a)
        ok = ok && sim.chip().flash()[a] == image.buffer[a];
    return {run.wallUs, run.cpuShare, ok};
}

} // namespace

int main(int argc, char** argv)
{
    Bench().settings = DefaultProgrammerSettings();
    ProgrammerSettings& s = Bench().settings;
    s.readBeforeWrite = 0; // every byte is written
    auto image = std::make_unique<DeviceImage>();
    for (int a = 0; a < kBytes; ++a)
        image->buffer[a] = static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
    constexpr double kTarget = 1.10;

    std::printf("4 KB write, read after write on: per byte against the chip's write cycle + the write "
                "instruction (target with Data Polling: <= %.2f)\n", kTarget);
    // One access cost from the command line, else all three.
    const std::vector<int> costs = argc > 1 ? std::vector<int>{std::atoi(argv[1])} : std::vector<int>{0, 1000, 1900};
    for (int accessNs : costs) {
        auto owned = std::make_unique<SimBackend>(std::string(), accessNs);
        SimBackend& sim = *owned;
        Bench().session.port().installBackend(std::move(owned));
        const double cycleUs = sim.chip().timing().writeCycleNs / 1000.0;
        const double chipUs = cycleUs + LineModel(s, accessNs / 1000.0).writeInstruction();
        const double bracketUs = Write(sim, *image, 1, 0).wallUs; // no address: reset, enable, release
        for (uint32_t poll : {0u, 1u}) {
            s.pollWriteEnd = poll;
            const Run run = Write(sim, *image, 0, kBytes - 1);
            const double perByte = (run.wallUs - bracketUs) / kBytes;
            const double ratio = perByte / chipUs;
            std::printf("  access %4d ns  %-13s wall %9.0f us  per byte %7.1f us  chip %7.1f us "
                        "(cycle %.0f)  x%.4f  %-6s  cpu %3.0f %%\n",
                        accessNs, poll ? "Data Polling" : "written time", run.wallUs, perByte, chipUs, cycleUs,
                        ratio, !run.ok ? "FAILED" : !poll ? "" : ratio <= kTarget ? "ok" : "OVER", run.cpuShare);
        }
    }
    return 0;
}
