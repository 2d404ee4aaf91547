#include "MakeInstructionSet.h"

#include "FourByteInstructions.h"
#include "ThreeByteInstructions.h"

std::unique_ptr<InstructionSet> MakeInstructionSet(const Device& device, IspLink& link, std::string* why,
                                                   uint32_t crystalHz)
{
    if (device.family == InstructionFamily::FourByte)
        return std::make_unique<FourByteInstructions>(device, link, crystalHz);
    if (link.ClocksBits())
        return std::make_unique<ThreeByteInstructions>(link, crystalHz);
    if (why)
        *why = std::string("The ") + device.name +
               "'s three-byte instructions need a cable that clocks each bit (the parallel port); " +
               link.Describe() + " carries four-byte instructions only. Choose another programmer, or another chip in "
                                 "Tools > Select CI.";
    return nullptr;
}
