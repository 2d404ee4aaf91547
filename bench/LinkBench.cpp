// Wall time of whole-chip operations on the simulated chip with the real
// counter, against the waits the line protocol mandates. What is left over
// is the host's cost: port accesses, counter reads, the model itself.
#include <IspProgrammer.h>
#include <LineDriver.h>
#include <ProgrammerSettings.h>
#include <port/Port.h>
#include <port/SimBackend.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

struct Figures {
    const char* name;
    double wallUs;
    double mandatedUs;
    long long bits;
    double target;
};

double ByteUs(const ProgrammerSettings& s)
{
    return 8.0 * (s.upTimeUs + s.downTimeUs) + 2; // ShiftOut ends with a 2 us tail
}

double InUs(const ProgrammerSettings& s)
{
    return 8.0 * (s.upTimeUs + s.downTimeUs);
}

double EnterUs(const ProgrammerSettings& s)
{
    return 12000 + 1000 + s.resetTimeUs;
}

template <typename F>
double TimeUs(F&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

void Print(const Figures& f)
{
    const double ratio = f.wallUs / f.mandatedUs;
    std::printf("%-22s wall %10.0f us  mandated %10.0f us  ratio %.4f (target <= %.2f) %s  host %.0f ns/bit\n",
                f.name, f.wallUs, f.mandatedUs, ratio, f.target, ratio <= f.target ? "ok" : "OVER",
                (f.wallUs - f.mandatedUs) * 1000.0 / static_cast<double>(f.bits));
}

} // namespace

int main()
{
    programmerSettings() = DefaultProgrammerSettings();
    port().installBackend(std::make_unique<SimBackend>());
    LineDriver& d = lineDriver();
    IspProgrammer isp(d);
    const ProgrammerSettings& s = programmerSettings();
    constexpr int kDevice = 0x3000;

    d.RefreshTimerFrequency();
    const double readWall = TimeUs([&] {
        d.EnterProgramming();
        isp.ProgrammingEnable();
        for (int a = 0; a < kDevice; ++a)
            isp.ReadCodeByte(static_cast<uint16_t>(a));
        d.LeaveProgramming();
    });
    const double readMandated = EnterUs(s) + 3 * ByteUs(s) + kDevice * (2 * ByteUs(s) + InUs(s)) + 3000;
    Print({"full read (12288 B)", readWall, readMandated, 24LL + kDevice * 24LL, 1.05});

    constexpr int kWrite = 1024;
    d.RefreshTimerFrequency();
    const double writeWall = TimeUs([&] {
        d.EnterProgramming();
        isp.ProgrammingEnable();
        for (int a = 0; a < kWrite; ++a) {
            isp.WriteCodeByte(static_cast<uint16_t>(a), static_cast<uint8_t>(a));
            d.DelayMicroseconds(s.writtenTimeUs);
            isp.ReadCodeByte(static_cast<uint16_t>(a)); // read after write, as the write job does
        }
        d.LeaveProgramming();
    });
    const double writeMandated =
        EnterUs(s) + 3 * ByteUs(s) + kWrite * (3 * ByteUs(s) + s.writtenTimeUs + 2 * ByteUs(s) + InUs(s)) + 3000;
    Print({"write+readback (1 KB)", writeWall, writeMandated, 24LL + kWrite * 48LL, 1.02});
    return 0;
}
