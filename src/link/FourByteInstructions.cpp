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

FourByteInstructions::FourByteInstructions(const Device& device, LineDriver& driver)
    : driver_(driver), highMask_(static_cast<uint8_t>((device.flashSize - 1) >> 8))
{
}

uint8_t FourByteInstructions::HighAddress(uint16_t address) const
{
    return static_cast<uint8_t>((address >> 8) & highMask_);
}

void FourByteInstructions::send(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4)
{
    driver_.ShiftOut(b1);
    driver_.ShiftOut(b2);
    driver_.ShiftOut(b3);
    driver_.ShiftOut(b4);
}

uint8_t FourByteInstructions::ask(uint8_t b1, uint8_t b2, uint8_t b3)
{
    driver_.ShiftOut(b1);
    driver_.ShiftOut(b2);
    driver_.ShiftOut(b3);
    // Byte 4 is don't-care on MOSI: it rests while the answer comes in.
    return driver_.ShiftIn();
}

bool FourByteInstructions::ProgrammingEnable()
{
    // The only instruction a chip answers without being enabled: no 0x69, no
    // chip in programming mode (no power, no cable, RST of the wrong polarity).
    return ask(kProgrammingEnable, kEnableByte2, 0x00) == kEnableAnswer;
}

bool FourByteInstructions::ChipErase()
{
    driver_.EnterProgramming();
    const bool answered = ProgrammingEnable();
    driver_.RefreshTimerFrequency();
    if (answered) {
        send(kProgrammingEnable, kEraseByte2, 0x00, 0x00);
        driver_.DelayMicroseconds(kEraseUs);
    }
    driver_.LeaveProgramming();
    return answered;
}

uint8_t FourByteInstructions::ReadCodeByte(uint16_t address)
{
    return ask(kReadCode, HighAddress(address), static_cast<uint8_t>(address));
}

void FourByteInstructions::WriteCodeByte(uint16_t address, uint8_t value)
{
    send(kWriteCode, HighAddress(address), static_cast<uint8_t>(address), value);
}

void FourByteInstructions::WriteLockBits(uint8_t lockLevel)
{
    // Lock level n is protection mode n+1; "each of the lock bit modes needs
    // to be activated sequentially", so modes 2 .. n+1 go out in turn. The
    // chip takes no instruction while programming, so each waits a write
    // cycle.
    const int last = lockLevel > 3 ? 3 : lockLevel;
    for (int level = 1; level <= last; ++level) {
        send(kProgrammingEnable, static_cast<uint8_t>(kLockByte2 | level), 0x00, 0x00);
        driver_.DelayMicroseconds(kByteWriteUs);
    }
}

void FourByteInstructions::ReadCodePage(uint16_t address, std::span<uint8_t> page)
{
    driver_.ShiftOut(kReadPage);
    driver_.ShiftOut(HighAddress(address));
    for (uint8_t& b : page.first(std::min<size_t>(page.size(), kPageSize)))
        b = driver_.ShiftIn();
}

void FourByteInstructions::WriteCodePage(uint16_t address, std::span<const uint8_t> page)
{
    driver_.ShiftOut(kWritePage);
    driver_.ShiftOut(HighAddress(address));
    for (const uint8_t b : page.first(std::min<size_t>(page.size(), kPageSize)))
        driver_.ShiftOut(b);
}

std::optional<std::array<uint8_t, 3>> FourByteInstructions::ReadSignature()
{
    std::array<uint8_t, 3> signature{};
    for (uint8_t i = 0; i < 3; ++i)
        signature[i] = ask(kReadSignature, i, 0x00);
    return signature;
}

std::optional<int> FourByteInstructions::ReadLockLevel()
{
    const uint8_t bits = ask(kReadLock, 0x00, 0x00);
    // Modes only go up in turn: the highest programmed bit tells the level.
    if (bits & kLb3)
        return 3;
    if (bits & kLb2)
        return 2;
    if (bits & kLb1)
        return 1;
    return 0;
}
