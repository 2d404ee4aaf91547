#include "MakeInstructionSet.h"

#include "ThreeByteInstructions.h"
#include "FourByteInstructions.h"

std::unique_ptr<InstructionSet> MakeInstructionSet(const Device& device, LineDriver& driver)
{
    if (device.family == InstructionFamily::FourByte)
        return std::make_unique<FourByteInstructions>(device, driver);
    return std::make_unique<ThreeByteInstructions>(driver);
}
