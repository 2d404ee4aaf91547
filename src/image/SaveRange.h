#pragma once

#include <cstdint>
#include <optional>

// The addresses a save writes, both ends included. Start may lie above finish.
struct SaveRange {
    int32_t start = 0;
    int32_t finish = 0;
};

// What the range window gives: a value outside 0..deviceSize-1, or none (an
// empty or non-hex field), falls back to 0 for start and deviceSize-1 for
// finish. Start is not required to lie below finish.
SaveRange ClampSaveRange(std::optional<int32_t> start, std::optional<int32_t> finish,
                         int32_t deviceSize);

// The range saved when the range window is not confirmed.
SaveRange WholeDeviceRange(int32_t deviceSize);
