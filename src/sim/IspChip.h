#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sim {

// A chip as the cable and the chip file see it: four pins, a flash array and
// a lock state. Time is the caller's, in nanoseconds.
class IspChip {
public:
    virtual ~IspChip() = default;

    virtual void drive(bool rst, bool sck, bool mosi, int64_t nowNs) = 0;
    virtual bool miso(int64_t nowNs) = 0;
    virtual bool inProgramming() const = 0;

    virtual std::span<uint8_t> flashBytes() = 0;
    virtual std::span<const uint8_t> flashBytes() const = 0;

    // The lock state in the text form the chip file keeps (ChipFile.h), and back;
    // setLockText refuses text that is not of the chip's form.
    virtual std::string lockText() const = 0;
    virtual bool setLockText(std::string_view text) = 0;
    // Nothing locked, as a chip erase leaves it.
    virtual void unlock() = 0;
    virtual bool locked() const = 0;

    // Counts every change of flash or lock state, for whoever persists them.
    virtual uint64_t modificationCount() const = 0;
    virtual void markModified() = 0;
};

} // namespace sim
