#pragma once

#include "CrystalTiming.h"
#include "Device.h"
#include "InstructionSet.h"
#include "IspLink.h"

#include <memory>
#include <string>

// The instructions of the device's family over `link`; null when the link
// cannot carry them (the AT89S53's three-byte instructions need a link that
// clocks bits), with *why saying so. The AT89S51/52 time their writes by
// the board's crystal, and clock them (or probe for them) no faster than it allows.
std::unique_ptr<InstructionSet> MakeInstructionSet(const Device& device, IspLink& link, std::string* why = nullptr,
                                                   uint32_t crystalHz = CrystalTiming::kSlowestHz);
