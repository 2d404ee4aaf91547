#pragma once

#include "SerialChip.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

// The AT89S51 (4 KB) and AT89S52 (8 KB) as seen through their serial
// programming pins, from the Atmel datasheets 2487D-MICRO-6/08 (AT89S51) and
// 1919D-MICRO-6/08 (AT89S52): "Programming the Flash - Serial Mode", "Serial
// Programming Algorithm", "Serial Programming Instruction Set", "Serial
// Programming Characteristics" and the lock bit protection modes table.
//
// Frames are four bytes counted from RST's rising edge, except the page
// instructions: command, high address, then 256 data bytes. The chip acts on
// a frame when its last bit arrives; reads shift their answer out during the
// last byte (a page read: during each data byte).
//
// Default timing, worst case (datasheetTiming):
// - tSWC serial byte write cycle 64 tCLCL + 400 us (Serial Programming
//   Characteristics). Page mode has no time of its own: the algorithm says the
//   array "is programmed one byte at a time in either the Byte or Page mode",
//   so a page takes 256 byte cycles, one after the other.
// - tERASE chip erase 500 ms (same table).
// - reset settling 10 ms: power-up sequence, "wait for at least 10
//   milliseconds" (the 64 system clocks SCK must stay low after RST rises are
//   far shorter). Counted from each rising RST edge to a frame's first SCK rise.
// - SCK high and low each at least 8 tCLCL (tSHSL, tSLSH; "no faster than 1/16
//   of the system clock").
// tCLCL is the period of the board's crystal, a parameter: 3 to 33 MHz by
// the datasheets, 3 MHz by default, where both limits are longest.
class At89s51And52 : public SerialChip {
public:
    enum class Variant { S51, S52 };

    static constexpr int kPageSize = 256;
    static constexpr uint8_t kEnableAnswer = 0x69;
    // What a read returns in lock modes 3 and 4. The datasheets say only that
    // verify (and, in the older revisions, the signature) is disabled.
    static constexpr uint8_t kLockedRead = 0x00;

    static constexpr int64_t kDefaultCrystalHz = 3'000'000;

    static ChipTiming datasheetTiming(int64_t crystalHz = kDefaultCrystalHz);
    explicit At89s51And52(Variant variant, ChipTiming timing = datasheetTiming(kDefaultCrystalHz));

    Variant variant() const { return variant_; }
    int flashSize() const { return static_cast<int>(flash_.size()); }
    std::vector<uint8_t>& flash() { return flash_; }
    const std::vector<uint8_t>& flash() const { return flash_; }
    std::span<uint8_t> flashBytes() override { return flash_; }
    std::span<const uint8_t> flashBytes() const override { return flash_; }

    // Signature row as Read Signature Bytes addresses it: 0x000 = 0x1E (Atmel),
    // 0x100 = 0x51 or 0x52, 0x200 = 0x06. Other addresses read 0xFF.
    uint8_t signatureAt(int address) const;

    // Lock bit protection mode 1..4: 1 none; 2 LB1: no further programming;
    // 3 LB2 too: no verify; 4 LB3 too: no external execution.
    int lockMode() const { return lockMode_; }
    bool setLockMode(int mode);
    // Read Lock Bits, byte 4: xxx LB3 LB2 LB1 xx with a programmed bit as 1.
    uint8_t lockReadback() const;
    // The chip file's lock state: "mode N" with N the protection mode.
    std::string lockText() const override;
    bool setLockText(std::string_view text) override;
    void unlock() override { setLockMode(1); }
    bool locked() const override { return lockMode_ != 1; }

    bool programmingEnabled() const { return enabled_; }
    // A byte or page write cycle or a chip erase still runs at nowNs.
    bool busy(int64_t nowNs) const;

private:
    void restartFrame() override;
    void clockIn(const Clocked& clocked) override;
    void byteDone(int index, uint8_t value);
    bool startOutput(int index, int64_t now);
    void execute(int64_t now);
    void chipErase(int64_t now);
    bool writeLockBits(uint8_t byte2);
    void program(int base, const uint8_t* data, int count, int64_t now);
    int codeAddress(uint8_t high, uint8_t low) const;
    uint8_t readByte(int address, int64_t now) const;
    int64_t writeEndNs() const;
    void record(InstructionKind kind, int address, uint8_t value, bool ignored);

    Variant variant_;
    std::vector<uint8_t> flash_;
    int lockMode_ = 1;
    bool enabled_ = false;

    // The frame being clocked in.
    int bitCount_ = 0;
    int length_ = 4;                    // bytes
    uint8_t shift_ = 0;
    std::array<uint8_t, 4> head_{};
    bool early_ = false;
    std::array<uint8_t, kPageSize> page_{};

    // What goes out on MISO during the current byte.
    bool outActive_ = false;
    uint8_t outByte_ = 0;
    bool answered_ = false;             // the frame's read was taken
    uint8_t answer_ = 0;                // its (first) byte out

    // Self-timed operations. A write of `count` bytes from `base` programs
    // them one after the other, one tSWC each.
    int64_t eraseEndNs_ = INT64_MIN;
    int64_t writeStartNs_ = INT64_MIN;
    int writeBase_ = 0;
    int writeCount_ = 0;
    std::array<uint8_t, kPageSize> writeOld_{};
    std::array<uint8_t, kPageSize> writeNew_{};
};

} // namespace sim
