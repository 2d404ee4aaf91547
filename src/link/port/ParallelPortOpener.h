#pragma once

#include "PortBackend.h"

#include <memory>
#include <string>

// How a real parallel port is reached.
enum class ParallelAccess {
    Auto,   // ppdev if a /dev/parportN has the base, else direct I/O
    Ppdev,  // the named /dev/parportN, or the one with the base
    Direct, // ioperm and outb/inb
};

// The port at `base`, opened; or, when none can be had, a backend that says
// why (what failed, then what to do).
std::unique_ptr<PortBackend> OpenParallelPort(ParallelAccess access, const std::string& device, uint16_t base);
