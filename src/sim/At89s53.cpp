#include "At89s53.h"

#include <algorithm>
#include <limits>

namespace sim {

namespace {

constexpr uint8_t kLockMask = 0xE0;       // LB1..LB3
constexpr uint8_t kLb1 = 0x80;
constexpr uint8_t kLb2 = 0x40;
constexpr uint8_t kLb3 = 0x20;
constexpr int kFrameBits = 24;
constexpr int kAddressBits = 16;
// The chip samples SCK with its own clock: each phase needs 20 crystal periods.
constexpr int64_t kPhasePeriods = 20;
constexpr int64_t kNsPerSecond = 1'000'000'000;

int64_t saturatingAdd(int64_t a, int64_t b)
{
    if (b > 0 && a > std::numeric_limits<int64_t>::max() - b)
        return std::numeric_limits<int64_t>::max();
    return a + b;
}

// Byte 1: A12 A11 A10 A9 A8 A13 x x. There are no A14/A15 lines.
int codeAddress(uint8_t byte1, uint8_t byte2)
{
    return ((byte1 >> 3) & 0x1F) << 8 | ((byte1 >> 2) & 1) << 13 | byte2;
}

bool isRead(uint8_t byte1) { return (byte1 & 0x03) == 0x01; }
bool isWrite(uint8_t byte1) { return (byte1 & 0x03) == 0x02; }

} // namespace

At89s53::At89s53(ChipTiming timing)
    : noise_(0x89535EEDull)
{
    flash_.fill(0xFF);
    setTiming(timing);
}

void At89s53::setTiming(ChipTiming timing)
{
    timing.writeCycleNs = std::max<int64_t>(timing.writeCycleNs, 0);
    timing.chipEraseNs = std::max<int64_t>(timing.chipEraseNs, 0);
    timing.crystalHz = std::max<int64_t>(timing.crystalHz, 1);
    timing_ = timing;
}

void At89s53::setNeverPrograms(int address)
{
    neverPrograms_ = (address >= 0 && address < kFlashSize) ? address : -1;
}

int At89s53::lockMode() const
{
    // Each level includes the protection of the ones below it.
    if (!(lockBits_ & kLb3))
        return 4;
    if (!(lockBits_ & kLb2))
        return 3;
    if (!(lockBits_ & kLb1))
        return 2;
    return 1;
}

void At89s53::setLockBits(uint8_t bits)
{
    const uint8_t next = static_cast<uint8_t>((bits & kLockMask) | 0x07);
    if (next != lockBits_) {
        lockBits_ = next;
        ++modifications_;
    }
}

bool At89s53::busy(int64_t nowNs) const
{
    return nowNs < eraseEndNs_ || nowNs < writeEndNs_;
}

void At89s53::clearStats()
{
    stats_ = {};
    history_.clear();
}

bool At89s53::phaseTooShort(int64_t phaseNs) const
{
    // phase * f < 20 s·Hz, without overflowing for long phases.
    const int64_t minNs = (kPhasePeriods * kNsPerSecond + timing_.crystalHz - 1) / timing_.crystalHz;
    return phaseNs < minNs;
}

void At89s53::drive(bool rst, bool sck, bool mosi, int64_t nowNs)
{
    const int64_t now = std::max(nowNs, lastNs_);
    lastNs_ = now;

    if (rst && !rst_)
        enterProgramming();
    if (sck != sck_) {
        if (rst_) {
            if (sck)
                sckRise(mosi, now);
            else
                sckFall(now);
        }
        sck_ = sck;
        haveSckEdge_ = true;
        sckEdgeNs_ = now;
    }
    if (!rst && rst_) {
        // SCK still high as RST drops: the chip has seen the whole clock.
        if (clockOpen_)
            sckFall(now);
        leaveProgramming();
    }
}

bool At89s53::miso(int64_t nowNs)
{
    lastNs_ = std::max(nowNs, lastNs_);
    // Released, P1.6 sits at its reset latch value behind the pull-up.
    return rst_ ? misoLevel_ : true;
}

void At89s53::enterProgramming()
{
    // The frame counter starts over on every rising RST edge.
    resetSerial(true);
}

void At89s53::leaveProgramming()
{
    // The chip goes off to run its program; a write cycle finishes on its own.
    resetSerial(false);
}

void At89s53::resetSerial(bool rst)
{
    rst_ = rst;
    enabled_ = false;
    bitCount_ = 0;
    shift_ = 0;
    clockOpen_ = false;
    reading_ = false;
    misoLevel_ = true;
}

void At89s53::sckRise(bool mosi, int64_t now)
{
    lowShort_ = haveSckEdge_ && phaseTooShort(now - sckEdgeNs_);
    sampled_ = mosi;
    clockOpen_ = true;
}

void At89s53::sckFall(int64_t now)
{
    if (!clockOpen_)
        return;
    clockOpen_ = false;
    const bool garbled = lowShort_ || phaseTooShort(now - sckEdgeNs_);
    bool bit = sampled_;
    if (garbled) {
        ++stats_.garbledClocks;
        bit = noise_.bit();
    }
    clockIn(bit, garbled, now);
}

void At89s53::clockIn(bool bit, bool garbled, int64_t now)
{
    shift_ = ((shift_ << 1) | (bit ? 1u : 0u)) & 0xFFFFFFu;
    ++bitCount_;
    if (bitCount_ == kAddressBits) {
        startRead(now);
        present(garbled);
    } else if (bitCount_ > kAddressBits && bitCount_ < kFrameBits) {
        present(garbled);
    } else if (bitCount_ >= kFrameBits) {
        execute(now);
        bitCount_ = 0;
        shift_ = 0;
        reading_ = false;
        misoLevel_ = true;
    }
}

void At89s53::startRead(int64_t now)
{
    const uint8_t byte1 = static_cast<uint8_t>(shift_ >> 8);
    const uint8_t byte2 = static_cast<uint8_t>(shift_);
    reading_ = enabled_ && now >= eraseEndNs_ && isRead(byte1);
    if (reading_)
        outByte_ = readByte(codeAddress(byte1, byte2), now);
}

void At89s53::present(bool garbled)
{
    if (!reading_)
        return;
    // Bit 7 follows the falling edge that ends bit 16, bit 0 the one ending bit 23.
    const int index = 7 - (bitCount_ - kAddressBits);
    misoLevel_ = garbled ? noise_.bit() : ((outByte_ >> index) & 1) != 0;
}

uint8_t At89s53::readByte(int address, int64_t now) const
{
    if (lockMode() >= 3)
        return 0x00;
    if (address < 0 || address >= kFlashSize)
        return 0xFF;
    // Data Polling: the byte being written reads back with bit 7 inverted.
    if (address == writeAddress_ && now < writeEndNs_)
        return static_cast<uint8_t>(writeValue_ ^ 0x80);
    return flash_[static_cast<std::size_t>(address)];
}

void At89s53::execute(int64_t now)
{
    const uint8_t byte1 = static_cast<uint8_t>(shift_ >> 16);
    const uint8_t byte2 = static_cast<uint8_t>(shift_ >> 8);
    const uint8_t byte3 = static_cast<uint8_t>(shift_);
    const bool erasing = now < eraseEndNs_;

    if (byte1 == 0xAC && byte2 == 0x53) {
        if (!erasing)
            enabled_ = true;
        record(InstructionKind::Enable, -1, byte3, erasing);
        return;
    }
    if (byte1 == 0xAC && (byte2 & 0x07) == 0x04) {
        const bool ignored = erasing || !enabled_;
        if (!ignored) {
            bool changed = lockBits_ != kUnlocked;
            for (uint8_t& b : flash_) {
                changed = changed || b != 0xFF;
                b = 0xFF;
            }
            lockBits_ = kUnlocked;
            if (changed)
                ++modifications_;
            eraseEndNs_ = saturatingAdd(now, timing_.chipEraseNs);
            writeEndNs_ = std::min(writeEndNs_, now);  // nothing left to poll
        }
        record(InstructionKind::ChipErase, -1, byte3, ignored);
        return;
    }
    if (byte1 == 0xAC && (byte2 & 0x07) == 0x07) {
        const bool ignored = erasing || !enabled_;
        if (!ignored) {
            // A fuse only goes one way: writing 1 never unprograms.
            const uint8_t next = static_cast<uint8_t>(lockBits_ & (byte2 | ~kLockMask));
            if (next != lockBits_) {
                lockBits_ = next;
                ++modifications_;
            }
        }
        record(InstructionKind::WriteLockBits, -1, byte2, ignored);
        return;
    }
    if (isRead(byte1)) {
        // Decided when byte 2 was complete; the output has already gone out.
        record(InstructionKind::ReadCode, codeAddress(byte1, byte2), outByte_, !reading_);
        return;
    }
    if (isWrite(byte1)) {
        const int address = codeAddress(byte1, byte2);
        const bool ignored = erasing || !enabled_ || now < writeEndNs_ || lockMode() >= 2 ||
                             address >= kFlashSize;
        if (!ignored) {
            // Auto-erase: the byte simply takes the new value.
            auto& cell = flash_[static_cast<std::size_t>(address)];
            if (address != neverPrograms_ && cell != byte3) {
                cell = byte3;
                ++modifications_;
            }
            writeAddress_ = address;
            writeValue_ = byte3;
            writeEndNs_ = saturatingAdd(now, timing_.writeCycleNs);
        }
        record(InstructionKind::WriteCode, address, byte3, ignored);
        return;
    }
    record(InstructionKind::Unknown, -1, byte3, true);
}

void At89s53::record(InstructionKind kind, int address, uint8_t value, bool ignored)
{
    if (ignored) {
        ++stats_.ignored;
    } else {
        switch (kind) {
        case InstructionKind::Enable: ++stats_.enables; break;
        case InstructionKind::ChipErase: ++stats_.erases; break;
        case InstructionKind::ReadCode: ++stats_.reads; break;
        case InstructionKind::WriteCode: ++stats_.writes; break;
        case InstructionKind::WriteLockBits: ++stats_.lockWrites; break;
        case InstructionKind::Unknown: ++stats_.ignored; break;
        }
    }
    if (history_.size() >= historyLimit_)
        return;
    ChipInstruction entry;
    entry.kind = kind;
    entry.address = address;
    entry.value = value;
    entry.ignored = ignored;
    entry.bytes = {static_cast<uint8_t>(shift_ >> 16), static_cast<uint8_t>(shift_ >> 8),
                   static_cast<uint8_t>(shift_)};
    history_.push_back(entry);
}

} // namespace sim
