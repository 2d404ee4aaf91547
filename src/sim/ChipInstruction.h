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
};

// One complete 24-bit frame as the chip decoded it.
struct ChipInstruction {
    InstructionKind kind = InstructionKind::Unknown;
    int address = -1;        // code address for reads and writes, else -1
    uint8_t value = 0;       // read: byte shifted out; write: data; lock: byte 2; else byte 3
    bool ignored = false;    // the frame had no effect
    std::array<uint8_t, 3> bytes{};  // as clocked in, possibly garbled
};

} // namespace sim
