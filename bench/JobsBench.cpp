// "Write Changes" right after a Read, on the simulated chip with the real
// counter, for a few numbers of changed bytes spread over the device. Wall
// time against the waits the protocol mandates: one programming bracket plus,
// per changed byte, the write instruction, the written time and the read back.
// With the chip copy filled by the Read, nothing else should cost time.
#include <DeviceImage.h>
#include <JobFeedback.h>
#include <ProgrammerSettings.h>
#include <ReadJob.h>
#include <WriteJob.h>
#include <port/Port.h>
#include <port/SimBackend.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

class SilentFeedback : public JobFeedback {
public:
    void progressRange(int32_t, int32_t) override {}
    void progress(int32_t) override {}
    void message(std::string_view text, std::string_view, Buttons) override
    {
        std::printf("  message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
};

double ByteOutUs(const ProgrammerSettings& s)
{
    return 8.0 * (s.upTimeUs + s.downTimeUs) + 2; // ShiftOut ends with a 2 us tail
}

double ByteInUs(const ProgrammerSettings& s)
{
    return 8.0 * (s.upTimeUs + s.downTimeUs);
}

double BracketUs(const ProgrammerSettings& s)
{
    const double enter = 12000 + 1000 + s.resetTimeUs;
    const double enable = 3 * ByteOutUs(s);
    const double leave = 3000;
    return enter + enable + leave;
}

double ChangedByteUs(const ProgrammerSettings& s)
{
    const double write = 3 * ByteOutUs(s);
    const double readBack = 2 * ByteOutUs(s) + ByteInUs(s);
    return write + s.writtenTimeUs + readBack;
}

} // namespace

int main()
{
    programmerSettings() = DefaultProgrammerSettings();
    auto owned = std::make_unique<SimBackend>();
    SimBackend& sim = *owned;
    port().installBackend(std::move(owned));
    const ProgrammerSettings& s = programmerSettings();
    constexpr int kDevice = 0x3000;
    for (int a = 0; a < kDevice; ++a)
        sim.chip().flash()[a] = static_cast<uint8_t>(a * 13 + (a >> 8));

    auto image = std::make_unique<DeviceImage>();
    SilentFeedback feedback;
    std::printf("model: bracket %.0f us + k x %.0f us (write %.0f + written time %u + read back %.0f)\n",
                BracketUs(s), ChangedByteUs(s), 3 * ByteOutUs(s), s.writtenTimeUs, 2 * ByteOutUs(s) + ByteInUs(s));

    for (int changed : {0, 1, 16, 256}) {
        ReadJob(*image, feedback).run(0, kDevice - 1);
        const int stride = changed > 0 ? kDevice / changed : kDevice;
        for (int i = 0; i < changed; ++i)
            image->buffer[i * stride + stride / 2] ^= 0xA5;
        sim.chip().clearStats();

        const auto start = std::chrono::steady_clock::now();
        const bool ok = WriteJob(*image, feedback, WriteJob::Mode::Changes).run(0, kDevice - 1, 0);
        const double wallUs =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();

        bool chipMatches = true;
        for (int a = 0; a < kDevice; ++a)
            chipMatches = chipMatches && sim.chip().flash()[a] == image->buffer[a];
        const double modelUs = BracketUs(s) + changed * ChangedByteUs(s);
        std::printf("write changes k=%-3d wall %9.0f us  model %9.0f us  ratio %.4f  "
                    "(chip saw %llu reads, %llu writes; %s)\n",
                    changed, wallUs, modelUs, wallUs / modelUs,
                    static_cast<unsigned long long>(sim.chip().stats().reads),
                    static_cast<unsigned long long>(sim.chip().stats().writes),
                    ok && chipMatches ? "chip matches" : "FAILED");
    }
    return 0;
}
