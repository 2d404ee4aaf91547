#include "IspProgrammer.h"

uint8_t IspProgrammer::AddressByte(uint16_t address, bool write)
{
    // A14 and A15 do not exist on the chip: they fall out of the byte.
    uint8_t byte = static_cast<uint8_t>((address >> 8) << 3);
    if (address & 0x2000)
        byte |= 0x04;
    return byte | (write ? 0x02 : 0x01);
}

uint8_t IspProgrammer::LockByte(uint8_t lockLevel)
{
    uint8_t byte = 0x07;
    if (lockLevel == 0)
        byte |= 0x80;
    if (lockLevel <= 1)
        byte |= 0x40;
    if (lockLevel <= 2)
        byte |= 0x20;
    return byte;
}

void IspProgrammer::ProgrammingEnable()
{
    driver_.ShiftOut(0xAC);
    driver_.ShiftOut(0x53);
    driver_.ShiftOut(0x53);
}

void IspProgrammer::ChipErase()
{
    driver_.EnterProgramming();
    ProgrammingEnable();
    driver_.RefreshTimerFrequency();
    driver_.ShiftOut(0xAC);
    driver_.ShiftOut(0x04);
    driver_.ShiftOut(0x04);
    driver_.DelayMicroseconds(20000);
    driver_.LeaveProgramming();
}

uint8_t IspProgrammer::ReadCodeByte(uint16_t address)
{
    driver_.ShiftOut(AddressByte(address, false));
    driver_.ShiftOut(static_cast<uint8_t>(address));
    return driver_.ShiftIn();
}

void IspProgrammer::WriteCodeByte(uint16_t address, uint8_t value)
{
    driver_.ShiftOut(AddressByte(address, true));
    driver_.ShiftOut(static_cast<uint8_t>(address));
    driver_.ShiftOut(value);
}

void IspProgrammer::WriteLockBits(uint8_t lockLevel)
{
    driver_.ShiftOut(0xAC);
    driver_.ShiftOut(LockByte(lockLevel));
    // The chip acts on an instruction only at its 24th bit; byte 3 is don't-care.
    driver_.ShiftOut(0x00);
}
