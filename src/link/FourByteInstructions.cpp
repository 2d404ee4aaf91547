#include "FourByteInstructions.h"

#include <algorithm>

namespace {

constexpr uint8_t kProgrammingEnable = 0xAC;
constexpr uint8_t kEnableByte2 = 0x53;
constexpr uint8_t kEraseByte2 = 0x80;
constexpr uint8_t kLockByte2 = 0xE0;
constexpr uint8_t kReadCode = 0x20;
constexpr uint8_t kWriteCode = 0x40;
constexpr uint8_t kReadLock = 0x24;
constexpr uint8_t kReadSignature = 0x28;
constexpr uint8_t kReadPage = 0x30;
constexpr uint8_t kWritePage = 0x50;
// Read Lock Bits: xxx LB3 LB2 LB1 xx.
constexpr uint8_t kLb1 = 0x04;
constexpr uint8_t kLb2 = 0x08;
constexpr uint8_t kLb3 = 0x10;

} // namespace

FourByteInstructions::FourByteInstructions(const Device& device, IspLink& link, uint32_t crystalHz)
    : link_(link), highMask_(static_cast<uint8_t>((device.flashSize - 1) >> 8)),
      byteWriteUs_(CrystalTiming(crystalHz).byteWriteUs())
{
    link_.SetShortestPhaseNs(CrystalTiming(crystalHz).shortestPhaseNs());
}

uint8_t FourByteInstructions::HighAddress(uint16_t address) const
{
    return static_cast<uint8_t>((address >> 8) & highMask_);
}

bool FourByteInstructions::ProgrammingEnable()
{
    // The only instruction a chip answers without being enabled: no 0x69, no
    // chip in programming mode (no power, no cable, RST of the wrong polarity).
    return link_.Ask({kProgrammingEnable, kEnableByte2, 0x00}) == kEnableAnswer;
}

bool FourByteInstructions::ChipErase()
{
    link_.EnterProgramming();
    const bool answered = ProgrammingEnable();
    link_.RefreshTimerFrequency();
    if (answered) {
        link_.Send({kProgrammingEnable, kEraseByte2, 0x00, 0x00});
        link_.DelayMicroseconds(kEraseUs);
    }
    link_.LeaveProgramming();
    return answered;
}

uint8_t FourByteInstructions::ReadCodeByte(uint16_t address)
{
    return link_.Ask({kReadCode, HighAddress(address), static_cast<uint8_t>(address)});
}

void FourByteInstructions::WriteCodeByte(uint16_t address, uint8_t value)
{
    link_.Send({kWriteCode, HighAddress(address), static_cast<uint8_t>(address), value});
}

void FourByteInstructions::WriteLockBits(uint8_t lockLevel)
{
    // Lock level n is protection mode n+1; "each of the lock bit modes needs
    // to be activated sequentially", so modes 2 .. n+1 go out in turn. The
    // chip takes no instruction while programming, so each waits a write
    // cycle.
    const int last = lockLevel > 3 ? 3 : lockLevel;
    for (int level = 1; level <= last; ++level) {
        link_.Send({kProgrammingEnable, static_cast<uint8_t>(kLockByte2 | level), 0x00, 0x00});
        link_.DelayMicroseconds(byteWriteUs_);
    }
}

void FourByteInstructions::ReadCodePage(uint16_t address, std::span<uint8_t> page)
{
    const std::span<uint8_t> bytes = page.first(std::min<size_t>(page.size(), kPageSize));
    if (link_.CarriesPages()) {
        link_.AskPage({kReadPage, HighAddress(address)}, bytes);
        return;
    }
    // A link of whole instructions has no page read: its byte reads, sent
    // ahead as far as the link can.
    std::array<std::array<uint8_t, 3>, kPageSize> reads{};
    const uint16_t base = static_cast<uint16_t>(address & ~(kPageSize - 1));
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto a = static_cast<uint16_t>(base + i);
        reads[i] = {kReadCode, HighAddress(a), static_cast<uint8_t>(a)};
    }
    link_.AskMany(std::span(reads).first(bytes.size()), bytes);
}

void FourByteInstructions::WriteCodePage(uint16_t address, std::span<const uint8_t> page)
{
    const std::span<const uint8_t> bytes = page.first(std::min<size_t>(page.size(), kPageSize));
    if (link_.CarriesPages()) {
        link_.SendPage({kWritePage, HighAddress(address)}, bytes);
        return;
    }
    const uint16_t base = static_cast<uint16_t>(address & ~(kPageSize - 1));
    for (size_t i = 0; i < bytes.size(); ++i) {
        // Programming only clears bits: an 0xFF would change nothing.
        if (bytes[i] == 0xFF)
            continue;
        WriteCodeByte(static_cast<uint16_t>(base + i), bytes[i]);
        link_.DelayMicroseconds(byteWriteUs_);
    }
}

std::optional<std::array<uint8_t, 3>> FourByteInstructions::ReadSignature()
{
    std::array<uint8_t, 3> signature{};
    for (uint8_t i = 0; i < 3; ++i)
        signature[i] = link_.Ask({kReadSignature, i, 0x00});
    return signature;
}

std::optional<int> FourByteInstructions::ReadLockLevel()
{
    const uint8_t bits = link_.Ask({kReadLock, 0x00, 0x00});
    // Modes only go up in turn: the highest programmed bit tells the level.
    if (bits & kLb3)
        return 3;
    if (bits & kLb2)
        return 2;
    if (bits & kLb1)
        return 1;
    return 0;
}
