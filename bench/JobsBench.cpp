// "Write Changes" right after a Read, on the simulated chip with the real
// counter, for a few numbers of changed bytes spread over the device. Wall
// time against the waits the protocol mandates: one programming bracket plus,
// per changed byte, the write instruction, the written time and the read back.
// With the chip copy filled by the Read, nothing else should cost time.
#include "LineModel.h"
#include "SilentFeedback.h"

#include "BenchSession.h"

#include <DeviceImage.h>
#include <ProgrammerSettings.h>
#include <ReadJob.h>
#include <WriteJob.h>
#include <Port.h>
#include <SimBackend.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

double ChangedByteUs(const ProgrammerSettings& s)
{
    const LineModel m(s, 0);
    return m.writeInstruction() + s.writtenTimeUs + m.readInstruction();
}

} // namespace

int main()
{
    Bench().settings = DefaultProgrammerSettings();
    auto owned = std::make_unique<SimBackend>();
    SimBackend& sim = *owned;
    Bench().session.port().installBackend(std::move(owned));
    const ProgrammerSettings& s = Bench().settings;
    constexpr int kDevice = 0x3000;
    for (int a = 0; a < kDevice; ++a)
        sim.chip().flash()[a] = static_cast<uint8_t>(a * 13 + (a >> 8));

    auto image = std::make_unique<DeviceImage>();
    SilentFeedback feedback;
    const LineModel mandated(s, 0);
    std::printf("model: bracket %.0f us + k x %.0f us (write %.0f + written time %u + read back %.0f)\n",
                mandated.bracket(), ChangedByteUs(s), mandated.writeInstruction(), s.writtenTimeUs,
                mandated.readInstruction());

    for (int changed : {0, 1, 16, 256}) {
        ReadJob(Bench().session, *image, feedback).run(0, kDevice - 1);
        const int stride = changed > 0 ? kDevice / changed : kDevice;
        for (int i = 0; i < changed; ++i)
            image->buffer[i * stride + stride / 2] ^= 0xA5;
        sim.chip().clearStats();

        const auto start = std::chrono::steady_clock::now();
        const bool ok = WriteJob(Bench().session, *image, feedback, WriteJob::Mode::Changes).run(0, kDevice - 1, 0);
        const double wallUs =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();

        bool chipMatches = true;
        for (int a = 0; a < kDevice; ++a)
            chipMatches = chipMatches && sim.chip().flash()[a] == image->buffer[a];
        const double modelUs = mandated.bracket() + changed * ChangedByteUs(s);
        std::printf("write changes k=%-3d wall %9.0f us  model %9.0f us  ratio %.4f  "
                    "(chip saw %llu reads, %llu writes; %s)\n",
                    changed, wallUs, modelUs, wallUs / modelUs,
                    static_cast<unsigned long long>(sim.chip().stats().reads),
                    static_cast<unsigned long long>(sim.chip().stats().writes),
                    ok && chipMatches ? "chip matches" : "FAILED");
    }
    return 0;
}
