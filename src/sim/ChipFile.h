#pragma once

#include "At89s53.h"

#include <string>

namespace sim {

// The chip kept in a file between runs. FILE holds the flash raw in its first
// 12288 bytes; FILE.lock holds the lock byte as text ("0xE7" = unlocked).
//
// Load: a missing FILE gives an erased chip and creates the file; a short one
// leaves the rest 0xFF; a missing lock file means unlocked. On a read error
// the chip is left as it was. Returns false with *error set (if given) on
// any failure.
bool LoadChipFile(At89s53& chip, const std::string& path, std::string* error);

// Save: writes FILE and FILE.lock each through a temporary file and a rename,
// keeping any bytes FILE has past 12288.
bool SaveChipFile(const At89s53& chip, const std::string& path, std::string* error);

} // namespace sim
