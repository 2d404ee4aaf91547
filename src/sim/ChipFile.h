#pragma once

#include "IspChip.h"

#include <cstddef>
#include <functional>
#include <string>

namespace sim {

// The chip kept in a file between runs.
//
// FILE holds the flash raw in its first bytes, as many as the chip has:
// 12288 for the AT89S53, 4096 for the AT89S51, 8192 for the AT89S52. Bytes
// past the flash are kept as they are. A locked chip's file ends in a
// 32-byte record of its lock state, so that flash and lock state are always
// replaced together, by one rename: "\nvorlane lock state: " + the state +
// spaces + "\n", the state being
// - AT89S53: the Write Lock Bits byte 2 in hex, LB1..LB3 in bits 7..5 with 0
//   for programmed: "0x67", "0x27", "0x07" ("0xE7" is unlocked);
// - AT89S51/52: "mode N", N the lock bit protection mode 2..4 ("mode 1" is
//   unlocked).
// An unlocked chip's file is its flash alone.
//
// Files of earlier versions kept the lock state in FILE.lock ("0x27",
// "mode 3"; plain "27" is read too). It is read when FILE has no record, and
// the next save puts the state in FILE's record and then removes FILE.lock.
//
// FILE may be a symbolic link: the file it leads to is read and replaced,
// the link stays. Anything that is not a regular file (a folder, a device
// node, a FIFO), a file larger than kChipFileLimit, and (for saving) a
// read-only file are refused with an error and never replaced.

// A megabyte: above any 8051's 64 KB, far below a file that would not fit
// in memory.
constexpr std::size_t kChipFileLimit = 1 << 20;

// Load: a missing FILE in an existing folder gives an erased chip and creates
// the file; a missing folder is an error. A short file leaves the rest 0xFF.
// On a failure the chip is left as it was. Returns false with *error set (if
// given) on any failure.
bool LoadChipFile(IspChip& chip, const std::string& path, std::string* error);

// Called with the new file, open, before it takes FILE's name: whoever holds
// FILE locked locks the new one here, so that the file under the name is
// never free while a job holds it.
using BeforeReplace = std::function<void(int fd)>;

// Save: writes FILE whole into a new file in the same folder, flushed to disk
// before it takes FILE's name, and the folder flushed after; a kill at any
// moment leaves the old file or the new one, and no other file. On a failure
// the old file stays as it was and false comes back with *error set.
bool SaveChipFile(const IspChip& chip, const std::string& path, std::string* error,
                  const BeforeReplace& beforeReplace = {});

// Whether a job could keep its chip in FILE, without reading or writing it:
// a regular file (or none, in a folder that takes one), writable, not too large.
bool CheckChipFile(const std::string& path, std::string* error);

} // namespace sim
