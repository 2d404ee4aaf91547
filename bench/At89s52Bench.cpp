// A whole AT89S52 (8 KB) on the simulated chip with the real counter, on
// boards of 3, 12 and 24 MHz with the crystal set to match: read and written
// in page mode and byte by byte, each against the waits the line protocol
// and the datasheet mandate at that crystal (each SCK phase the longer of
// its setting and 8 crystal periods; a byte write 64 crystal periods +
// 400 us, 256 of them a page), and the write job as a whole, which learns
// the chip, writes and reads back.
#include "LineModel.h"
#include "SilentFeedback.h"
#include "BenchSession.h"
#include "Stopwatch.h"

#include <At89s51And52.h>
#include <CrystalTiming.h>
#include <FourByteInstructions.h>
#include <DeviceImage.h>
#include <LineDriver.h>
#include <ProgrammerSettings.h>
#include <ReadJob.h>
#include <WriteJob.h>
#include <Port.h>
#include <SimBackend.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kSize = 0x2000;
constexpr int kPage = FourByteInstructions::kPageSize;

void Print(const char* name, const Stopwatch& watch, double mandatedUs, bool ok)
{
    const double wall = watch.wallUs();
    std::printf("  %-36s wall %9.0f us  mandated %9.0f us  ratio %.4f  cpu %3.0f %%  %s\n", name, wall, mandatedUs,
                wall / mandatedUs, watch.cpuShare(), ok ? "ok" : "WRONG BYTES");
}

void RunAt(uint32_t crystalHz, const std::vector<uint8_t>& image)
{
    Bench().settings = DefaultProgrammerSettings();
    Bench().settings.device = static_cast<uint32_t>(DeviceId::AT89S52);
    Bench().settings.crystalHz = crystalHz;
    auto owned = std::make_unique<SimBackend>(std::string(), 0, DeviceId::AT89S52);
    owned->setCrystalHz(crystalHz);
    SimBackend& sim = *owned;
    Bench().session.port().installBackend(std::move(owned));
    auto& chip = sim.modelAs<sim::At89s51And52>();
    const ProgrammerSettings& s = Bench().settings;
    const LineModel line(s, 0);
    LineDriver& d = Bench().session.driver();
    FourByteInstructions isp(DeviceById(DeviceId::AT89S52), d, crystalHz);

    // Four-byte instructions: three bytes out and one in for a read and the
    // enable, four out for a write.
    const double bracket = line.enter() + 3 * line.byteOut() + line.byteIn() + line.leave();
    const double pageRead = 2 * line.byteOut() + kPage * line.byteIn();
    const double pageWrite = (2 + kPage) * line.byteOut() + isp.PageWriteUs();
    const double byteRead = 3 * line.byteOut() + line.byteIn();
    const double byteWrite = 4 * line.byteOut() + isp.ByteWriteUs();

    const CrystalTiming crystal(crystalHz);
    std::printf("%s crystal: SCK phases %.3f us (8 periods %.3f us), byte write %u us (64 periods + 400 us = "
                "%.3f us)\n",
                crystal.text().c_str(), std::max<double>(s.upTimeUs, crystal.shortestPhaseNs() / 1000.0), 8e6 / crystalHz,
                isp.ByteWriteUs(), 64e6 / crystalHz + 400);
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
            d.DelayMicroseconds(isp.PageWriteUs());
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
            d.DelayMicroseconds(isp.ByteWriteUs());
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
    std::printf("  (the simulated chip saw %llu garbled clocks)\n",
                static_cast<unsigned long long>(chip.stats().garbledClocks));
}

} // namespace

int main()
{
    std::vector<uint8_t> image(kSize);
    for (int a = 0; a < kSize; ++a)
        image[a] = static_cast<uint8_t>(a * 13 + (a >> 8) + 1);
    std::printf("AT89S52, 8 KB, simulated, real counter: wall against the mandated waits at each crystal\n");
    for (const uint32_t crystalHz : {3'000'000u, 12'000'000u, 24'000'000u})
        RunAt(crystalHz, image);
    return 0;
}
