#include "At89s51And52.h"

#include "TimeMath.h"

#include <algorithm>
#include <cctype>

namespace sim {

namespace {

constexpr int64_t kMinPhasePeriods = 8;                // tSHSL, tSLSH
constexpr int64_t kWriteCycleFixedNs = 400'000;        // tSWC = 64 tCLCL + 400 us
constexpr int64_t kWriteCyclePeriods = 64;
constexpr int64_t kChipEraseNs = 500'000'000;          // tERASE
constexpr int64_t kResetSettleNs = 10'000'000;
constexpr int kPageFrameBytes = 2 + At89s51And52::kPageSize;

// Byte 1 of each instruction; the AC group is told apart by byte 2.
constexpr uint8_t kAc = 0xAC;
constexpr uint8_t kReadCode = 0x20;
constexpr uint8_t kWriteCode = 0x40;
constexpr uint8_t kReadLock = 0x24;
constexpr uint8_t kReadSignature = 0x28;
constexpr uint8_t kReadPage = 0x30;
constexpr uint8_t kWritePage = 0x50;

bool isPage(uint8_t byte1) { return byte1 == kReadPage || byte1 == kWritePage; }
bool isEnable(const std::array<uint8_t, 4>& h) { return h[0] == kAc && h[1] == 0x53; }
bool isErase(const std::array<uint8_t, 4>& h) { return h[0] == kAc && (h[1] & 0xE0) == 0x80; }
bool isLockWrite(const std::array<uint8_t, 4>& h) { return h[0] == kAc && (h[1] & 0xFC) == 0xE0; }

} // namespace

At89s51And52::At89s51And52(Variant variant, ChipTiming timing)
    : SerialChip(timing, kMinPhasePeriods, variant == Variant::S51 ? 0x89515EEDull : 0x89525EEDull),
      variant_(variant), flash_(variant == Variant::S51 ? 0x1000 : 0x2000, 0xFF)
{
}

ChipTiming At89s51And52::datasheetTiming(int64_t crystalHz)
{
    crystalHz = std::clamp<int64_t>(crystalHz, 1, 1'000'000'000);
    ChipTiming t;
    t.crystalHz = crystalHz;
    // 64 crystal periods, rounded up to the next nanosecond.
    t.writeCycleNs = (kWriteCyclePeriods * 1'000'000'000 + crystalHz - 1) / crystalHz + kWriteCycleFixedNs;
    t.chipEraseNs = kChipEraseNs;
    t.resetSettleNs = kResetSettleNs;
    return t;
}

uint8_t At89s51And52::signatureAt(int address) const
{
    switch (address) {
    case 0x000: return 0x1E;
    case 0x100: return variant_ == Variant::S51 ? 0x51 : 0x52;
    case 0x200: return 0x06;
    default: return 0xFF;
    }
}

bool At89s51And52::setLockMode(int mode)
{
    if (mode < 1 || mode > 4)
        return false;
    if (mode != lockMode_) {
        lockMode_ = mode;
        bumpModified();
    }
    return true;
}

uint8_t At89s51And52::lockReadback() const
{
    // Mode n has LB1..LB(n-1) programmed; LB1 sits in bit 2.
    const int programmed = lockMode_ - 1;
    return static_cast<uint8_t>(((1 << programmed) - 1) << 2);
}

std::string At89s51And52::lockText() const
{
    return "mode " + std::to_string(lockMode_) + "\n";
}

bool At89s51And52::setLockText(std::string_view text)
{
    auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    if (text.size() < 6 || text.substr(0, 4) != "mode" || !isSpace(text[4]))
        return false;
    text.remove_prefix(4);
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    if (text.size() != 1 || text[0] < '1' || text[0] > '4')
        return false;
    return setLockMode(text[0] - '0');
}

int64_t At89s51And52::writeEndNs() const
{
    if (writeCount_ == 0)
        return INT64_MIN;
    return addSaturating(writeStartNs_, timing().writeCycleNs * writeCount_);
}

bool At89s51And52::busy(int64_t nowNs) const
{
    return nowNs < eraseEndNs_ || nowNs < writeEndNs();
}

void At89s51And52::restartFrame()
{
    // Every RST edge drops the enable and starts the frame count over.
    enabled_ = false;
    bitCount_ = 0;
    outActive_ = false;
}

int At89s51And52::codeAddress(uint8_t high, uint8_t low) const
{
    // xxx A12..A8 (AT89S52) or xxxx A11..A8 (AT89S51): the x bits are not decoded.
    const int mask = variant_ == Variant::S51 ? 0x0F : 0x1F;
    return (high & mask) << 8 | low;
}

void At89s51And52::clockIn(const Clocked& clocked)
{
    if (bitCount_ == 0) {
        length_ = 4;
        early_ = false;
        answered_ = false;
    }
    // A frame that began before the chip settled after reset is not taken.
    early_ = early_ || clocked.early;
    shift_ = static_cast<uint8_t>((shift_ << 1) | (clocked.bit ? 1 : 0));
    ++bitCount_;
    const int bitInByte = bitCount_ % 8;
    if (bitInByte != 0) {
        // The next bit out follows each falling edge within the byte.
        if (outActive_)
            present(outByte_, 7 - bitInByte, clocked.garbled);
        return;
    }
    const int done = bitCount_ / 8;
    byteDone(done - 1, shift_);
    if (done == length_) {
        execute(clocked.nowNs);
        bitCount_ = 0;
        outActive_ = false;
        release();
        return;
    }
    outActive_ = startOutput(done, clocked.nowNs);
    if (outActive_)
        present(outByte_, 7, clocked.garbled);
    else
        release();
}

void At89s51And52::byteDone(int index, uint8_t value)
{
    if (index < 4)
        head_[static_cast<std::size_t>(index)] = value;
    if (index == 0 && isPage(value))
        length_ = kPageFrameBytes;
    if (length_ == kPageFrameBytes && index >= 2)
        page_[static_cast<std::size_t>(index - 2)] = value;
}

bool At89s51And52::startOutput(int index, int64_t now)
{
    // Nothing answers before the enable, while erasing, or in a frame that
    // began too soon after reset; MISO then stays released.
    const bool erasing = now < eraseEndNs_;
    if (head_[0] == kReadPage && length_ == kPageFrameBytes) {
        if (index == 2)
            answered_ = enabled_ && !early_ && !erasing;
        if (!answered_ || index < 2)
            return false;
        outByte_ = readByte(codeAddress(head_[1], static_cast<uint8_t>(index - 2)), now);
        if (index == 2)
            answer_ = outByte_;
        return true;
    }
    if (length_ != 4 || index != 3 || early_ || erasing)
        return false;
    if (isEnable(head_)) {
        outByte_ = kEnableAnswer;
    } else if (!enabled_) {
        return false;
    } else if (head_[0] == kReadCode) {
        outByte_ = readByte(codeAddress(head_[1], head_[2]), now);
    } else if (head_[0] == kReadLock) {
        outByte_ = lockReadback();
    } else if (head_[0] == kReadSignature) {
        // Older datasheet revisions: not readable in lock modes 3 and 4.
        const int address = codeAddress(head_[1], static_cast<uint8_t>(head_[2] & 0x80));
        outByte_ = lockMode_ >= 3 ? kLockedRead : signatureAt(address);
    } else {
        return false;
    }
    answered_ = true;
    answer_ = outByte_;
    return true;
}

uint8_t At89s51And52::readByte(int address, int64_t now) const
{
    if (lockMode_ >= 3)
        return kLockedRead;
    const int j = address - writeBase_;
    if (j >= 0 && j < writeCount_) {
        // Bytes of a running write are programmed in order; the one in its
        // cycle reads with bit 7 complemented (Data Polling), later ones as before.
        const int64_t slot = addSaturating(writeStartNs_, timing().writeCycleNs * j);
        if (now < slot)
            return writeOld_[static_cast<std::size_t>(j)];
        if (now < addSaturating(slot, timing().writeCycleNs))
            return static_cast<uint8_t>(writeNew_[static_cast<std::size_t>(j)] ^ 0x80);
    }
    return flash_[static_cast<std::size_t>(address)];
}

void At89s51And52::execute(int64_t now)
{
    const uint8_t b1 = head_[0];
    const bool erasing = now < eraseEndNs_;
    if (isEnable(head_)) {
        const bool ignored = erasing || early_;
        if (!ignored)
            enabled_ = true;
        record(InstructionKind::Enable, -1, head_[3], ignored);
        return;
    }
    // Every write waits for the chip to be idle.
    const bool refused = early_ || !enabled_ || busy(now);
    if (isErase(head_)) {
        if (!refused)
            chipErase(now);
        record(InstructionKind::ChipErase, -1, head_[3], refused);
    } else if (isLockWrite(head_)) {
        const bool ignored = refused || !writeLockBits(head_[1]);
        record(InstructionKind::WriteLockBits, -1, head_[1], ignored);
    } else if (b1 == kWriteCode) {
        // Lock mode 2 and up: "further programming of the Flash memory is disabled".
        const int address = codeAddress(head_[1], head_[2]);
        const bool ignored = refused || lockMode_ >= 2;
        if (!ignored)
            program(address, &head_[3], 1, now);
        record(InstructionKind::WriteCode, address, head_[3], ignored);
    } else if (b1 == kWritePage) {
        const int base = codeAddress(head_[1], 0);
        const bool ignored = refused || lockMode_ >= 2;
        if (!ignored)
            program(base, page_.data(), kPageSize, now);
        record(InstructionKind::WritePage, base, page_[0], ignored);
    } else if (b1 == kReadCode) {
        record(InstructionKind::ReadCode, codeAddress(head_[1], head_[2]), answer_, !answered_);
    } else if (b1 == kReadLock) {
        record(InstructionKind::ReadLockBits, -1, answer_, !answered_);
    } else if (b1 == kReadSignature) {
        const int address = codeAddress(head_[1], static_cast<uint8_t>(head_[2] & 0x80));
        record(InstructionKind::ReadSignature, address, answer_, !answered_);
    } else if (b1 == kReadPage) {
        record(InstructionKind::ReadPage, codeAddress(head_[1], 0), answer_, !answered_);
    } else {
        record(InstructionKind::Unknown, -1, head_[3], true);
    }
}

void At89s51And52::chipErase(int64_t now)
{
    bool changed = lockMode_ != 1;
    for (uint8_t& b : flash_) {
        changed = changed || b != 0xFF;
        b = 0xFF;
    }
    lockMode_ = 1;
    if (changed)
        bumpModified();
    eraseEndNs_ = addSaturating(now, timing().chipEraseNs);
    writeCount_ = 0;
}

bool At89s51And52::writeLockBits(uint8_t byte2)
{
    // 1110 00 B1 B2: B1 B2 = 00 mode 1, 01 mode 2, 10 mode 3, 11 mode 4. "Each
    // of the lock bit modes needs to be activated sequentially": a mode more
    // than one step above the current one is not taken.
    const int target = 1 + (byte2 & 0x03);
    if (target > lockMode_ + 1)
        return false;
    if (target > lockMode_)
        setLockMode(target);
    return true;
}

void At89s51And52::program(int base, const uint8_t* data, int count, int64_t now)
{
    // No auto-erase in serial mode ("Before a reprogramming sequence can
    // occur, a Chip Erase operation is required"): programming only clears bits.
    bool changed = false;
    for (int j = 0; j < count; ++j) {
        const auto at = static_cast<std::size_t>(base + j);
        const auto k = static_cast<std::size_t>(j);
        writeOld_[k] = flash_[at];
        writeNew_[k] = data[j];
        const auto next = static_cast<uint8_t>(flash_[at] & data[j]);
        if (base + j != neverPrograms() && next != flash_[at]) {
            flash_[at] = next;
            changed = true;
        }
    }
    if (changed)
        bumpModified();
    writeBase_ = base;
    writeCount_ = count;
    writeStartNs_ = now;
}

void At89s51And52::record(InstructionKind kind, int address, uint8_t value, bool ignored)
{
    // A page frame keeps its command, high address and first two data bytes.
    SerialChip::record(kind, address, value, ignored, head_, length_);
}

} // namespace sim
