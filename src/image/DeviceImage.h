#pragma once

#include <array>
#include <cstdint>

// Entries of every image array; the device in use stays below it.
inline constexpr int kImageCapacity = 0x5000;
// A chipCache entry: the chip's byte at that address is not known.
inline constexpr int32_t ChipUnknown = -1;

enum ByteMark : uint8_t {
    MarkNone = 0,
    MarkMismatch = 1, // a verify found the chip different
    MarkChanged = 2,  // changed by an Intel HEX load or an edit
};

// The document's data: the image, what the chip is known to hold, a mark per
// byte, and the range the job windows offer first.
struct DeviceImage {
    DeviceImage();

    // New: an erased image over the device, nothing known of the chip.
    // The range and the device size stay.
    void clearForNew();
    // The spare part past the device back to erased and unmarked, so that
    // nothing an earlier file put there can look like data for the chip.
    void clearSpare();

    int32_t dataEnd;
    int32_t dataStart;
    int32_t deviceSize;
    std::array<uint8_t, kImageCapacity> buffer;
    std::array<int32_t, kImageCapacity> chipCache;
    std::array<uint8_t, kImageCapacity> marks;
};
