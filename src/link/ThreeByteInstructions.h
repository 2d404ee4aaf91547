#pragma once

#include "InstructionSet.h"
#include "IspProgrammer.h"

// The AT89S53's three-byte instructions behind the jobs' interface, exactly
// as IspProgrammer sends them. The chip answers nothing but read data, so the
// enable cannot be confirmed here.
class ThreeByteInstructions : public InstructionSet {
public:
    explicit ThreeByteInstructions(IspLink& link) : isp_(link) {}

    bool ProgrammingEnable() override
    {
        isp_.ProgrammingEnable();
        return true;
    }
    bool ChipErase() override
    {
        isp_.ChipErase();
        return true;
    }
    uint8_t ReadCodeByte(uint16_t address) override { return isp_.ReadCodeByte(address); }
    void WriteCodeByte(uint16_t address, uint8_t value) override { isp_.WriteCodeByte(address, value); }
    void WriteLockBits(uint8_t lockLevel) override { isp_.WriteLockBits(lockLevel); }

private:
    IspProgrammer isp_;
};
