#pragma once

#include "IspChip.h"

#include <string>

namespace sim {

// The chip kept in a file between runs.
//
// FILE holds the flash raw in its first bytes, as many as the chip has:
// 12288 for the AT89S53, 4096 for the AT89S51, 8192 for the AT89S52. FILE.lock
// holds the lock state as one line of text:
// - AT89S53: the Write Lock Bits byte 2 in hex, LB1..LB3 in bits 7..5 with 0
//   for programmed: "0xE7" unlocked, "0x67", "0x27", "0x07" (plain "67" is read
//   too).
// - AT89S51/52: "mode N", N the lock bit protection mode 1..4 ("mode 1" is
//   unlocked).
// A missing FILE.lock means unlocked.
//
// FILE and FILE.lock may be symbolic links: the file a link leads to is read
// and replaced, the link stays. Anything that is not a regular file (a folder,
// a device node, a FIFO) is refused with an error and never replaced.

// Load: a missing FILE in an existing folder gives an erased chip and creates
// the file; a missing folder is an error. A short file leaves the rest 0xFF.
// On a failure the chip is left as it was. Returns false with *error set (if
// given) on any failure.
bool LoadChipFile(IspChip& chip, const std::string& path, std::string* error);

// Save: writes FILE, then FILE.lock, each whole into a new uniquely named file
// in the same folder, flushed to disk before it is renamed over the old one,
// and the folder flushed after; bytes FILE has past the flash are kept. On a
// failure the old file stays as it was and false comes back with *error set.
bool SaveChipFile(const IspChip& chip, const std::string& path, std::string* error);

} // namespace sim
