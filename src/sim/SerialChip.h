#pragma once

#include "ChipInstruction.h"
#include "ChipStats.h"
#include "ChipTiming.h"
#include "IspChip.h"
#include "Prng.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// What the AT89S serial programming interfaces share: RST starts the frame
// count on its rising edge and ends programming on its falling one; MOSI is
// sampled on SCK's rise and the bit taken at its fall, MISO changes after the
// fall (SPI mode 0, MSB first); SCK phases shorter than the chip's minimum in
// crystal periods give garbage. A value of time earlier than one already seen
// counts as that earlier-seen time.
class SerialChip : public IspChip {
public:
    static constexpr std::size_t kDefaultHistoryLimit = std::size_t{1} << 21;

    void drive(bool rst, bool sck, bool mosi, int64_t nowNs) final;
    bool miso(int64_t nowNs) final;
    bool inProgramming() const final { return rst_; }

    const ChipTiming& timing() const { return timing_; }
    void setTiming(ChipTiming timing);
    // A flash address whose write takes its cycle but never changes the byte.
    void setNeverPrograms(int address);
    int neverPrograms() const { return neverPrograms_; }
    // Seed of the garbage produced by too-short SCK phases.
    void setNoiseSeed(uint64_t seed) { noise_.seed(seed); }

    uint64_t modificationCount() const final { return modifications_; }
    // For whoever edits the flash directly and wants it persisted.
    void markModified() final { ++modifications_; }

    const ChipStats& stats() const { return stats_; }
    const std::vector<ChipInstruction>& history() const { return history_; }
    void clearStats();
    // Frames past the limit still count in stats() but are not kept.
    void setHistoryLimit(std::size_t limit) { historyLimit_ = limit; }

protected:
    // One bit as the chip took it at SCK's falling edge. early: its SCK rise
    // came before the chip had settled after RST went high.
    struct Clocked {
        bool bit = false;
        bool garbled = false;
        bool early = false;
        int64_t nowNs = 0;
    };

    SerialChip(ChipTiming timing, int64_t minPhasePeriods, uint64_t noiseSeed);

    // RST rose or fell: the frame count starts over and MISO is released.
    virtual void restartFrame() = 0;
    virtual void clockIn(const Clocked& clocked) = 0;

    // Drives MISO with bit `index` of `byte`, or with garbage after a garbled clock.
    void present(uint8_t byte, int index, bool garbled);
    void release() { misoLevel_ = true; }
    void bumpModified() { ++modifications_; }
    void record(InstructionKind kind, int address, uint8_t value, bool ignored,
                const std::array<uint8_t, 4>& bytes, int length);

private:
    void sckRise(bool mosi, int64_t now);
    void sckFall(int64_t now);
    bool phaseTooShort(int64_t phaseNs) const;

    ChipTiming timing_;
    int64_t minPhasePeriods_;
    int neverPrograms_ = -1;
    uint64_t modifications_ = 0;

    int64_t lastNs_ = INT64_MIN;
    bool rst_ = false;
    int64_t rstRiseNs_ = 0;
    bool sck_ = false;
    bool haveSckEdge_ = false;
    int64_t sckEdgeNs_ = 0;
    bool clockOpen_ = false;     // SCK rose in programming mode, not yet fallen
    bool sampled_ = false;
    int64_t sampledNs_ = 0;
    bool lowShort_ = false;
    bool misoLevel_ = true;

    Prng noise_;
    ChipStats stats_;
    std::vector<ChipInstruction> history_;
    std::size_t historyLimit_ = kDefaultHistoryLimit;
};

} // namespace sim
