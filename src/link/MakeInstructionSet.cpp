#include "MakeInstructionSet.h"

#include "At89s53Instructions.h"
#include "At89s5xInstructions.h"

std::unique_ptr<InstructionSet> MakeInstructionSet(const Device& device, LineDriver& driver)
{
    if (device.family == InstructionFamily::FourByte)
        return std::make_unique<At89s5xInstructions>(device, driver);
    return std::make_unique<At89s53Instructions>(driver);
}
