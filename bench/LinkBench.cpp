// A full read of the simulated chip with the real counter, for port accesses
// that cost nothing, what direct I/O costs (1000 ns) and what a ppdev ioctl
// costs (1900 ns). Wall time against the waits the protocol mandates and
// against the floor with the accesses: each phase is its access and then its
// wait, as a wait counts from the end of the access that changed the line.
// What is left over is the host's own cost.
#include "LineModel.h"
#include "BenchSession.h"
#include "Stopwatch.h"

#include <IspProgrammer.h>
#include <LineDriver.h>
#include <ProgrammerSettings.h>
#include <Port.h>
#include <SimBackend.h>

#include <algorithm>
#include <cstdio>
#include <memory>

int main()
{
    Bench().settings = DefaultProgrammerSettings();
    const ProgrammerSettings& s = Bench().settings;
    LineDriver& d = Bench().session.driver();
    IspProgrammer isp(d);
    constexpr int kDevice = 0x3000;
    constexpr double kTarget = 1.05;

    std::printf("full read (12288 B): wall against the mandated waits and against the access floor "
                "(target: wall <= %.2f x max of the two)\n", kTarget);
    for (int accessNs : {0, 1000, 1900}) {
        Bench().session.port().installBackend(std::make_unique<SimBackend>(std::string(), accessNs));
        d.RefreshTimerFrequency();
        const Stopwatch watch;
        d.EnterProgramming();
        isp.ProgrammingEnable();
        for (int a = 0; a < kDevice; ++a)
            isp.ReadCodeByte(static_cast<uint16_t>(a));
        d.LeaveProgramming();
        const double wall = watch.wallUs();
        const double cpu = watch.cpuShare();
        const LineModel mandated(s, 0);
        const LineModel floor(s, accessNs / 1000.0);
        const double mandatedUs = mandated.bracket() + kDevice * mandated.readInstruction();
        const double floorUs = floor.bracket() + kDevice * floor.readInstruction();
        const double ratio = wall / std::max(mandatedUs, floorUs);
        std::printf("  access %4d ns  wall %9.0f us  mandated %9.0f us (x%.4f)  floor %9.0f us (x%.4f)  %-4s"
                    "  cpu %3.0f %%\n",
                    accessNs, wall, mandatedUs, wall / mandatedUs, floorUs, ratio, ratio <= kTarget ? "ok" : "OVER",
                    cpu);
    }
    return 0;
}
