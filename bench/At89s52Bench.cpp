// A whole AT89S52 (8 KB) on the simulated chip with the real counter: read
// and written in page mode and byte by byte, each against the waits the line
// protocol and the datasheet mandate (the write cycle taken at its longest,
// 64 tCLCL + 400 us at 3 MHz: 422 us a byte, 256 times that a page), and the
// write job as a whole, which learns the chip, writes and reads back.
#include "LineModel.h"
#include "SilentFeedback.h"
#include "BenchSession.h"
#include "Stopwatch.h"

#include <At89s51And52.h>
#include <FourByteInstructions.h>
#include <DeviceImage.h>
#include <LineDriver.h>
#include <ProgrammerSettings.h>
#include <ReadJob.h>
#include <WriteJob.h>
#include <Port.h>
#include <SimBackend.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kSize = 0x2000;
constexpr int kPage = FourByteInstructions::kPageSize;

void Print(const char* name, const Stopwatch& watch, double mandatedUs, bool ok)
{
    const double wall = watch.wallUs();
    std::printf("%-36s wall %9.0f us  mandated %9.0f us  ratio %.4f  cpu %3.0f %%  %s\n", name, wall, mandatedUs,
                wall / mandatedUs, watch.cpuShare(), ok ? "ok" : "WRONG BYTES");
}

} // namespace

int main()
{
    Bench().settings = DefaultProgrammerSettings();
    Bench().settings.device = static_cast<uint32_t>(DeviceId::AT89S52);
    auto owned = std::make_unique<SimBackend>(std::string(), 0, DeviceId::AT89S52);
    SimBackend& sim = *owned;
    Bench().session.port().installBackend(std::move(owned));
    auto& chip = sim.modelAs<sim::At89s51And52>();
    const ProgrammerSettings& s = Bench().settings;
    const LineModel line(s, 0);
    LineDriver& d = Bench().session.driver();
    FourByteInstructions isp(DeviceById(DeviceId::AT89S52), d);

    std::vector<uint8_t> image(kSize);
    for (int a = 0; a < kSize; ++a)
        image[a] = static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
    // Four-byte instructions: three bytes out and one in for a read and the
    // enable, four out for a write.
    const double bracket = line.enter() + 3 * line.byteOut() + line.byteIn() + line.leave();
    const double pageRead = 2 * line.byteOut() + kPage * line.byteIn();
    const double pageWrite = (2 + kPage) * line.byteOut() + FourByteInstructions::kPageWriteUs;
    const double byteRead = 3 * line.byteOut() + line.byteIn();
    const double byteWrite = 4 * line.byteOut() + FourByteInstructions::kByteWriteUs;

    std::printf("AT89S52, 8 KB, simulated, real counter: wall against the mandated waits\n");
    chip.flash().assign(image.begin(), image.end());
    {
        auto target = std::make_unique<DeviceImage>();
        target->deviceSize = kSize;
        SilentFeedback feedback;
        d.RefreshTimerFrequency();
        const Stopwatch watch;
        const bool ok = ReadJob(Bench().session, *target, feedback).run(0, kSize - 1) &&
                        std::equal(image.begin(), image.end(), target->buffer.begin());
        Print("read, page mode (the read job)", watch, bracket + kSize / kPage * pageRead, ok);
    }
    {
        d.RefreshTimerFrequency();
        const Stopwatch watch;
        d.EnterProgramming();
        bool ok = isp.ProgrammingEnable();
        for (int a = 0; a < kSize; ++a)
            ok = isp.ReadCodeByte(static_cast<uint16_t>(a)) == image[a] && ok;
        d.LeaveProgramming();
        Print("read, byte mode", watch, bracket + kSize * byteRead, ok);
    }
    {
        chip.flash().assign(kSize, 0xFF);
        d.RefreshTimerFrequency();
        const Stopwatch watch;
        d.EnterProgramming();
        bool ok = isp.ProgrammingEnable();
        for (int a = 0; a < kSize; a += kPage) {
            isp.WriteCodePage(static_cast<uint16_t>(a), std::span(image).subspan(a, kPage));
            d.DelayMicroseconds(FourByteInstructions::kPageWriteUs);
        }
        d.LeaveProgramming();
        ok = ok && chip.flash() == image;
        Print("write, page mode", watch, bracket + kSize / kPage * pageWrite, ok);
    }
    {
        chip.flash().assign(kSize, 0xFF);
        d.RefreshTimerFrequency();
        const Stopwatch watch;
        d.EnterProgramming();
        bool ok = isp.ProgrammingEnable();
        for (int a = 0; a < kSize; ++a) {
            isp.WriteCodeByte(static_cast<uint16_t>(a), image[a]);
            d.DelayMicroseconds(FourByteInstructions::kByteWriteUs);
        }
        d.LeaveProgramming();
        ok = ok && chip.flash() == image;
        Print("write, byte mode", watch, bracket + kSize * byteWrite, ok);
    }
    {
        // Learn the erased chip (page reads), write it in pages, read back.
        chip.flash().assign(kSize, 0xFF);
        auto source = std::make_unique<DeviceImage>();
        source->deviceSize = kSize;
        std::copy(image.begin(), image.end(), source->buffer.begin());
        SilentFeedback feedback;
        const Stopwatch watch;
        bool ok = WriteJob(Bench().session, *source, feedback, WriteJob::Mode::All).run(0, kSize - 1, 0);
        ok = ok && chip.flash() == image;
        // The signature (three reads), learning, writing and reading back.
        const double mandated = bracket + 3 * byteRead + kSize / kPage * (2 * pageRead + pageWrite);
        Print("write job (learn, pages, read back)", watch, mandated, ok);
    }
    return 0;
}
