#pragma once

#include "Device.h"
#include "InstructionSet.h"
#include "LineDriver.h"

#include <memory>

// The instructions of the device's family.
std::unique_ptr<InstructionSet> MakeInstructionSet(const Device& device, LineDriver& driver);
