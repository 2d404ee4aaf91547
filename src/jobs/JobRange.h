#pragma once

#include <cstdint>
#include <optional>

// The inclusive address range one job run handles, after the job windows'
// clamping. start > finish handles nothing.
struct JobRange {
    int32_t start = 0;
    int32_t finish = -1;

    // A start outside the device, 0 .. deviceSize-1, becomes 0; a finish
    // outside 0 .. deviceSize becomes deviceSize-1 (one past the device is
    // accepted). A field that held no hex number counts as out of range.
    static JobRange FromFields(std::optional<int32_t> start, std::optional<int32_t> finish, int32_t deviceSize);
    // What a job handles: FromFields, with a finish one past the device
    // taken as its last byte, since no instruction may go out for an
    // address the chip does not have.
    static JobRange Handled(std::optional<int32_t> start, std::optional<int32_t> finish, int32_t deviceSize);

    bool empty() const { return start > finish; }
    bool operator==(const JobRange&) const = default;
};
