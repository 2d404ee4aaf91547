#pragma once

#include "IspLink.h"

#include <cstdint>

// The AT89S53 serial programming instructions over a bit-clocking link. Except
// for ChipErase, callers bracket them with Enter/LeaveProgramming.
class IspProgrammer {
public:
    explicit IspProgrammer(IspLink& driver) : driver_(driver) {}

    void ProgrammingEnable();
    void ChipErase();
    uint8_t ReadCodeByte(uint16_t address);
    void WriteCodeByte(uint16_t address, uint8_t value);
    void WriteLockBits(uint8_t lockLevel);

    // Byte 1 of read and write: A12..A8 in bits 7..3, A13 in bit 2, then 01 or 10.
    static uint8_t AddressByte(uint16_t address, bool write);
    // LB1..LB3 in bits 7..5, programmed (0) from level 1, 2 and 3 up; bits 2..0 set.
    static uint8_t LockByte(uint8_t lockLevel);

private:
    IspLink& driver_;
};
