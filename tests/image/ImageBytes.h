#pragma once

#include <DeviceImage.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Shared by the image tests: file contents as text and back, and an image on
// the heap (it is too large to be comfortable on the stack).

inline std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

inline std::string Text(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

inline std::unique_ptr<DeviceImage> NewImage()
{
    return std::make_unique<DeviceImage>();
}

// Every address holds a value that depends on it, so misplaced bytes show.
inline void FillPattern(DeviceImage& image, uint32_t seed = 1)
{
    uint32_t x = seed;
    for (auto& b : image.buffer) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
}
