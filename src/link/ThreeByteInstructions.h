#pragma once

#include "InstructionSet.h"
#include "IspProgrammer.h"

#include <cstdint>

// The AT89S53's three-byte instructions behind the jobs' interface, exactly
// as IspProgrammer sends them. The chip answers nothing but read data, so the
// enable cannot confirm it; it can only tell an AT89S51/52 in its place.
class ThreeByteInstructions : public InstructionSet {
public:
    // The AT89S53's phases are the settings alone; `crystalHz` times the
    // enable, which an AT89S51/52 in its place hears too.
    ThreeByteInstructions(IspLink& link, uint32_t crystalHz) : link_(link), isp_(link), crystalHz_(crystalHz)
    {
        link_.SetShortestPhaseNs(0);
    }

    bool ProgrammingEnable() override;
    std::optional<std::array<uint8_t, 3>> OtherFamilyAnswered() const override { return other_; }
    bool ChipErase() override
    {
        isp_.ChipErase();
        return true;
    }
    uint8_t ReadCodeByte(uint16_t address) override { return isp_.ReadCodeByte(address); }
    void WriteCodeByte(uint16_t address, uint8_t value) override { isp_.WriteCodeByte(address, value); }
    void WriteLockBits(uint8_t lockLevel) override { isp_.WriteLockBits(lockLevel); }

private:
    IspLink& link_;
    IspProgrammer isp_;
    uint32_t crystalHz_;
    std::optional<std::array<uint8_t, 3>> other_;
};
