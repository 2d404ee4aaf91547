#pragma once

#include "ChipInstruction.h"
#include "ChipStats.h"
#include "Prng.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

struct ChipTiming {
    int64_t writeCycleNs = 2'000'000;   // self-timed byte write
    int64_t chipEraseNs = 16'000'000;
    int64_t crystalHz = 12'000'000;
};

// The AT89S53 as seen through its serial programming pins: RST, SCK (P1.7),
// MOSI (P1.5) and MISO (P1.6). Time is the caller's, in nanoseconds; a value
// earlier than one already seen counts as that earlier-seen time.
class At89s53 {
public:
    static constexpr int kFlashSize = 0x3000;
    static constexpr uint8_t kUnlocked = 0xE7;          // lock byte with nothing programmed
    static constexpr std::size_t kDefaultHistoryLimit = std::size_t{1} << 21;

    explicit At89s53(ChipTiming timing = {});

    void drive(bool rst, bool sck, bool mosi, int64_t nowNs);
    bool miso(int64_t nowNs);

    std::array<uint8_t, kFlashSize>& flash() { return flash_; }
    const std::array<uint8_t, kFlashSize>& flash() const { return flash_; }

    // 1 unlocked; 2 LB1: no code writes; 3 LB2: also reads give 0x00; 4 LB3.
    int lockMode() const;
    // LB1..LB3 in bits 7..5 (1 = unprogrammed), bits 2..0 set: the Write Lock
    // Bits byte 2 form. setLockBits ignores bits 4..0 and may unprogram.
    uint8_t lockBits() const { return lockBits_; }
    void setLockBits(uint8_t bits);

    bool inProgramming() const { return rst_; }
    bool programmingEnabled() const { return enabled_; }
    // A write cycle or chip erase still runs at nowNs.
    bool busy(int64_t nowNs) const;

    const ChipTiming& timing() const { return timing_; }
    void setTiming(ChipTiming timing);
    void setNeverPrograms(int address);
    int neverPrograms() const { return neverPrograms_; }
    // Seed of the garbage produced by too-short SCK phases.
    void setNoiseSeed(uint64_t seed) { noise_.seed(seed); }

    uint64_t modificationCount() const { return modifications_; }
    // For whoever edits flash() directly and wants it persisted.
    void markModified() { ++modifications_; }

    const ChipStats& stats() const { return stats_; }
    const std::vector<ChipInstruction>& history() const { return history_; }
    void clearStats();
    // Frames past the limit still count in stats() but are not kept.
    void setHistoryLimit(std::size_t limit) { historyLimit_ = limit; }

private:
    void enterProgramming();
    void leaveProgramming();
    void resetSerial(bool rst);
    void sckRise(bool mosi, int64_t now);
    void sckFall(int64_t now);
    void clockIn(bool bit, bool garbled, int64_t now);
    void present(bool garbled);
    void startRead(int64_t now);
    void execute(int64_t now);
    void record(InstructionKind kind, int address, uint8_t value, bool ignored);
    uint8_t readByte(int address, int64_t now) const;
    bool phaseTooShort(int64_t phaseNs) const;

    ChipTiming timing_;
    std::array<uint8_t, kFlashSize> flash_;
    uint8_t lockBits_ = kUnlocked;
    int neverPrograms_ = -1;
    uint64_t modifications_ = 0;

    // Pins and the serial front end.
    int64_t lastNs_ = INT64_MIN;
    bool rst_ = false;
    bool sck_ = false;
    bool haveSckEdge_ = false;
    int64_t sckEdgeNs_ = 0;
    bool clockOpen_ = false;      // SCK rose in programming mode, not yet fallen
    bool sampled_ = false;
    bool lowShort_ = false;
    int bitCount_ = 0;
    uint32_t shift_ = 0;
    bool enabled_ = false;
    bool misoLevel_ = true;

    // The byte being shifted out in byte 3.
    bool reading_ = false;
    uint8_t outByte_ = 0;

    // Self-timed operations.
    int64_t eraseEndNs_ = INT64_MIN;
    int64_t writeEndNs_ = INT64_MIN;
    int writeAddress_ = -1;
    uint8_t writeValue_ = 0;

    Prng noise_;
    ChipStats stats_;
    std::vector<ChipInstruction> history_;
    std::size_t historyLimit_ = kDefaultHistoryLimit;
};

} // namespace sim
