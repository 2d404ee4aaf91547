#include "At89s53.h"

#include "TimeMath.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace sim {

namespace {

constexpr uint8_t kLockMask = 0xE0;       // LB1..LB3
constexpr uint8_t kLb1 = 0x80;
constexpr uint8_t kLb2 = 0x40;
constexpr uint8_t kLb3 = 0x20;
constexpr int kFrameBits = 24;
constexpr int kAddressBits = 16;
constexpr int64_t kMinPhasePeriods = 20;

// Byte 1: A12 A11 A10 A9 A8 A13 x x. There are no A14/A15 lines.
int codeAddress(uint8_t byte1, uint8_t byte2)
{
    return ((byte1 >> 3) & 0x1F) << 8 | ((byte1 >> 2) & 1) << 13 | byte2;
}

bool isRead(uint8_t byte1) { return (byte1 & 0x03) == 0x01; }
bool isWrite(uint8_t byte1) { return (byte1 & 0x03) == 0x02; }

} // namespace

At89s53::At89s53(ChipTiming timing)
    : SerialChip(timing, kMinPhasePeriods, 0x89535EEDull)
{
    flash_.fill(0xFF);
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
        bumpModified();
    }
}

std::string At89s53::lockText() const
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X\n", lockBits_);
    return text;
}

bool At89s53::setLockText(std::string_view text)
{
    std::size_t i = 0;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        i = 2;
    unsigned value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
        if (value > 0xFF)
            return false;
    }
    if (digits == 0)
        return false;
    for (; i < text.size(); ++i)
        if (!std::isspace(static_cast<unsigned char>(text[i])))
            return false;
    setLockBits(static_cast<uint8_t>(value));
    return true;
}

bool At89s53::busy(int64_t nowNs) const
{
    return nowNs < eraseEndNs_ || nowNs < writeEndNs_;
}

void At89s53::restartFrame()
{
    // Every RST edge drops the enable and starts the frame count over.
    enabled_ = false;
    bitCount_ = 0;
    shift_ = 0;
    early_ = false;
    reading_ = false;
}

void At89s53::clockIn(const Clocked& clocked)
{
    // A frame that began before the chip settled after reset is not taken.
    early_ = (bitCount_ == 0 ? false : early_) || clocked.early;
    shift_ = ((shift_ << 1) | (clocked.bit ? 1u : 0u)) & 0xFFFFFFu;
    ++bitCount_;
    if (bitCount_ == kAddressBits) {
        startRead(clocked.nowNs);
        if (reading_)
            present(outByte_, 7, clocked.garbled);
    } else if (bitCount_ > kAddressBits && bitCount_ < kFrameBits) {
        // Bit 7 follows the falling edge that ends bit 16, bit 0 the one ending bit 23.
        if (reading_)
            present(outByte_, 7 - (bitCount_ - kAddressBits), clocked.garbled);
    } else if (bitCount_ >= kFrameBits) {
        execute(clocked.nowNs);
        bitCount_ = 0;
        shift_ = 0;
        reading_ = false;
        release();
    }
}

void At89s53::startRead(int64_t now)
{
    const uint8_t byte1 = static_cast<uint8_t>(shift_ >> 8);
    const uint8_t byte2 = static_cast<uint8_t>(shift_);
    reading_ = enabled_ && !early_ && now >= eraseEndNs_ && isRead(byte1);
    if (reading_)
        outByte_ = readByte(codeAddress(byte1, byte2), now);
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
        const bool ignored = erasing || early_;
        if (!ignored)
            enabled_ = true;
        record(InstructionKind::Enable, -1, byte3, ignored);
        return;
    }
    const bool refused = erasing || early_ || !enabled_;
    if (byte1 == 0xAC && (byte2 & 0x07) == 0x04) {
        if (!refused) {
            bool changed = lockBits_ != kUnlocked;
            for (uint8_t& b : flash_) {
                changed = changed || b != 0xFF;
                b = 0xFF;
            }
            lockBits_ = kUnlocked;
            if (changed)
                bumpModified();
            eraseEndNs_ = addSaturating(now, timing().chipEraseNs);
            writeEndNs_ = std::min(writeEndNs_, now);  // nothing left to poll
        }
        record(InstructionKind::ChipErase, -1, byte3, refused);
        return;
    }
    if (byte1 == 0xAC && (byte2 & 0x07) == 0x07) {
        if (!refused) {
            // A fuse only goes one way: writing 1 never unprograms.
            setLockBits(static_cast<uint8_t>(lockBits_ & (byte2 | ~kLockMask)));
        }
        record(InstructionKind::WriteLockBits, -1, byte2, refused);
        return;
    }
    if (isRead(byte1)) {
        // Decided when byte 2 was complete; the output has already gone out.
        record(InstructionKind::ReadCode, codeAddress(byte1, byte2), outByte_, !reading_);
        return;
    }
    if (isWrite(byte1)) {
        const int address = codeAddress(byte1, byte2);
        const bool ignored = refused || now < writeEndNs_ || lockMode() >= 2 || address >= kFlashSize;
        if (!ignored) {
            // Auto-erase: the byte simply takes the new value.
            auto& cell = flash_[static_cast<std::size_t>(address)];
            if (address != neverPrograms() && cell != byte3) {
                cell = byte3;
                bumpModified();
            }
            writeAddress_ = address;
            writeValue_ = byte3;
            writeEndNs_ = addSaturating(now, timing().writeCycleNs);
        }
        record(InstructionKind::WriteCode, address, byte3, ignored);
        return;
    }
    record(InstructionKind::Unknown, -1, byte3, true);
}

void At89s53::record(InstructionKind kind, int address, uint8_t value, bool ignored)
{
    const std::array<uint8_t, 4> bytes = {static_cast<uint8_t>(shift_ >> 16), static_cast<uint8_t>(shift_ >> 8),
                                          static_cast<uint8_t>(shift_), 0};
    SerialChip::record(kind, address, value, ignored, bytes, 3);
}

} // namespace sim
