// A whole AT89S52 (8 KB) read and written through Arduino as ISP: the real
// link over a pseudo-terminal, the ArduinoISP sketch modelled on the far side
// with the line's real costs (each byte 10 bits at the baud rate, a USB-serial
// adapter's 1 ms each way) and the chip's write cycles in real time.
//
// Each figure is set against the link's own limit: the bytes the job's
// universal commands put on the line at the baud rate (six each; the replies
// come back on the other wire meanwhile), plus for a write the chip's write
// cycles (tSWC at its longest, 422 us a byte). Goal: at most 1.15 times that.
// avrdude's figures for the same chip through the same sketch: written in
// 24.57 s, verified in 8.19 s (avrdude issue 1304). Its run named no baud
// rate, so its -c avrisp ran at 115200: at 19200 eight thousand universal
// commands alone take 25.6 s of line time.
//
// Usage: vorlane_arduino_bench [BAUD...]   (default: 19200 115200)
#include "SilentFeedback.h"
#include "Stopwatch.h"

#include <ArduinoIspModel.h>

#include <At89s51And52.h>
#include <CrystalTiming.h>
#include <OpenSession.h>
#include <ReadJob.h>
#include <WriteJob.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 0x2000;
constexpr double kGoal = 1.15;
constexpr double kAvrdudeWriteS = 24.57;
constexpr double kAvrdudeVerifyS = 8.19;
constexpr uint32_t kAvrdudeBaud = 115200;

struct Figure {
    double seconds = 0;
    double limitSeconds = 0;
    bool ok = false;
};

// The job run and timed; its limit from what it sent.
Figure Measure(const char* name, uint32_t baud, sim::At89s51And52& chip, ArduinoIspModel& model,
               const std::function<bool()>& job)
{
    chip.clearStats();
    const int universals = model.universals();
    const Stopwatch watch;
    const bool ok = job();
    Figure f;
    f.seconds = watch.wallUs() / 1e6;
    int writes = 0;
    for (const auto& i : chip.history())
        writes += i.kind == sim::InstructionKind::WriteCode && !i.ignored;
    const double line = (model.universals() - universals) * 6.0 * 10.0 / baud;
    f.limitSeconds = line + writes * CrystalTiming(DefaultProgrammerSettings().crystalHz).byteWriteUs() / 1e6;
    f.ok = ok;
    const double ratio = f.seconds / f.limitSeconds;
    std::printf("  %-34s %7.2f s  limit %7.2f s (line %.2f s + %d write cycles)  ratio %.3f  %s%s\n", name,
                f.seconds, f.limitSeconds, line, writes, ratio, ratio <= kGoal ? "within 1.15" : "OVER 1.15",
                ok ? "" : "  JOB FAILED");
    return f;
}

void Run(uint32_t baud)
{
    sim::At89s51And52 chip(sim::At89s51And52::Variant::S52);
    ArduinoIspModel::Board board;
    board.baud = baud;
    board.usbLatencyNs = 1'000'000;
    ArduinoIspModel model(chip, board, [&chip](int64_t t) { return chip.busy(t); });
    ProgrammerSettings settings = DefaultProgrammerSettings();
    settings.device = static_cast<uint32_t>(DeviceId::AT89S52);
    const std::string form = "arduino:" + model.device() + ",baud=" + std::to_string(baud);
    auto session = OpenSession(settings, PortChoice::parse(form.c_str()), "");
    SilentFeedback feedback;
    std::printf("Arduino as ISP at %u baud, 1 ms USB latency each way, AT89S52 8 KB:\n", baud);
    if (!session->link().PortReady(nullptr)) {
        std::printf("  the sketch was not reached\n");
        return;
    }

    DeviceImage image;
    image.deviceSize = kSize;
    std::vector<uint8_t> data(kSize);
    for (int a = 0; a < kSize; ++a)
        data[a] = static_cast<uint8_t>((a * 13 + (a >> 8)) % 255); // no 0xFF: every byte written
    std::copy(data.begin(), data.end(), image.buffer.begin());

    const auto write = [&](const char* name, bool readBack) {
        // Right after an erase, as avrdude writes: nothing read before.
        std::fill(chip.flash().begin(), chip.flash().end(), 0xFF);
        settings.readBeforeWrite = 0;
        settings.readAfterWrite = readBack ? 1 : 0;
        Figure f = Measure(name, baud, chip, model, [&] {
            return WriteJob(*session, image, feedback, WriteJob::Mode::All).run(0, kSize - 1, 0);
        });
        f.ok = f.ok && std::equal(data.begin(), data.end(), chip.flash().begin());
        return f;
    };
    const Figure written = write("write, no read back", false);
    const Figure checked = write("write, each page read back", true);
    DeviceImage back;
    back.deviceSize = kSize;
    const Figure read = Measure("read", baud, chip, model, [&] { return ReadJob(*session, back, feedback).run(0, kSize - 1); });
    const bool readOk = read.ok && std::equal(data.begin(), data.end(), back.buffer.begin());
    std::printf("  chip's write cycles disturbed: %d; bytes lost to the sketch's buffer: %d; %s\n",
                model.disturbances(), model.overruns(), written.ok && checked.ok && readOk ? "bytes right" : "WRONG BYTES");
    if (baud < kAvrdudeBaud) {
        std::printf("  avrdude's figures were taken at %u baud: at %u its 8192 reads alone need %.2f s of line\n",
                    kAvrdudeBaud, baud, kSize * 6.0 * 10.0 / baud);
        return;
    }
    std::printf("  against avrdude at %u baud (write %.2f s, verify %.2f s, both %.2f s): write %s, read %s, "
                "write with read back %s\n",
                kAvrdudeBaud, kAvrdudeWriteS, kAvrdudeVerifyS, kAvrdudeWriteS + kAvrdudeVerifyS,
                written.seconds < kAvrdudeWriteS ? "faster" : "SLOWER",
                read.seconds < kAvrdudeVerifyS ? "faster" : "SLOWER",
                checked.seconds < kAvrdudeWriteS + kAvrdudeVerifyS ? "faster" : "SLOWER");
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<uint32_t> bauds;
    for (int i = 1; i < argc; ++i)
        bauds.push_back(static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 10)));
    if (bauds.empty())
        bauds = {19200, 115200};
    for (const uint32_t baud : bauds)
        Run(baud);
    return 0;
}
