#pragma once

#include <array>
#include <cstdint>

namespace sim {

enum class InstructionKind : uint8_t {
    Enable,
    ChipErase,
    ReadCode,
    WriteCode,
    WriteLockBits,
    Unknown,
    ReadLockBits,
    ReadSignature,
    ReadPage,
    WritePage,
};

// One complete frame as the chip decoded it.
struct ChipInstruction {
    InstructionKind kind = InstructionKind::Unknown;
    int address = -1;        // code (or signature) address, first of a page, else -1
    uint8_t value = 0;       // read: byte shifted out (a page: its first); write: data
                             // (a page: its first); lock write: byte 2; else the last byte
    bool ignored = false;    // the frame had no effect
    std::array<uint8_t, 4> bytes{};  // the first bytes as clocked in, possibly garbled
    int length = 0;          // bytes in the frame
};

} // namespace sim
