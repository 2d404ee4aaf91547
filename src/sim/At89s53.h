#pragma once

#include "SerialChip.h"

#include <array>
#include <cstdint>

namespace sim {

// The AT89S53 as seen through its serial programming pins: RST, SCK (P1.7),
// MOSI (P1.5) and MISO (P1.6). Three-byte frames counted from RST's rising
// edge; the chip acts on a frame at its 24th bit.
//
// Default timing, worst case as far as the datasheet (AT89S53, 0787E-MICRO-3/06,
// "Serial Downloading" and "Serial Programming Algorithm") gives one:
// - byte write cycle 2.5 ms: "The write cycle is self-timed and typically takes
//   less than 2.5 ms at 5V" (algorithm step 3; Instruction Set note 1 says the
//   same). No maximum is printed; the AT89S8252 datasheet (0401G) prints the
//   same 2.5 ms, so 2.5 ms is the limit we hold a host to.
// - reset settling 10 ms: power-up sequence, step 1: set RST high, apply the
//   clock "and wait for at least 10 milliseconds" before the Programming Enable.
//   Counted from every rising RST edge to the first SCK rise of a frame.
// - chip erase 20 ms: neither the AT89S53 nor the AT89S8252 datasheet gives a
//   serial chip erase time; 20 ms is the longest the standard host's erase wait
//   covers, so a host that waits less fails here.
// - SCK: "less than 1/40 of the crystal frequency" (Serial Downloading), taken
//   as each phase at least 20 crystal periods.
class At89s53 : public SerialChip {
public:
    static constexpr int kFlashSize = 0x3000;
    static constexpr uint8_t kUnlocked = 0xE7;          // lock byte with nothing programmed

    explicit At89s53(ChipTiming timing = {});

    std::array<uint8_t, kFlashSize>& flash() { return flash_; }
    const std::array<uint8_t, kFlashSize>& flash() const { return flash_; }
    std::span<uint8_t> flashBytes() override { return flash_; }
    std::span<const uint8_t> flashBytes() const override { return flash_; }

    // 1 unlocked; 2 LB1: no code writes; 3 LB2: also reads give 0x00; 4 LB3.
    int lockMode() const;
    // LB1..LB3 in bits 7..5 (1 = unprogrammed), bits 2..0 set: the Write Lock
    // Bits byte 2 form. setLockBits ignores bits 4..0 and may unprogram.
    uint8_t lockBits() const { return lockBits_; }
    void setLockBits(uint8_t bits);
    // The chip file's lock state: the lock byte in hex, "0xE7"; plain "E7" is read too.
    std::string lockText() const override;
    bool setLockText(std::string_view text) override;
    void unlock() override { setLockBits(kUnlocked); }
    bool locked() const override { return lockBits_ != kUnlocked; }

    bool programmingEnabled() const { return enabled_; }
    // A write cycle or chip erase still runs at nowNs.
    bool busy(int64_t nowNs) const;

private:
    void restartFrame() override;
    void clockIn(const Clocked& clocked) override;
    void startRead(int64_t now);
    void execute(int64_t now);
    void record(InstructionKind kind, int address, uint8_t value, bool ignored);
    uint8_t readByte(int address, int64_t now) const;

    std::array<uint8_t, kFlashSize> flash_;
    uint8_t lockBits_ = kUnlocked;

    // The frame being clocked in.
    int bitCount_ = 0;
    uint32_t shift_ = 0;
    bool early_ = false;
    bool enabled_ = false;

    // The byte being shifted out in byte 3.
    bool reading_ = false;
    uint8_t outByte_ = 0;

    // Self-timed operations.
    int64_t eraseEndNs_ = INT64_MIN;
    int64_t writeEndNs_ = INT64_MIN;
    int writeAddress_ = -1;
    uint8_t writeValue_ = 0;
};

} // namespace sim
