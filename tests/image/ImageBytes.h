#pragma once

#include <DeviceImage.h>

#include <gtest/gtest.h>

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

// An image with a pattern, a range and a mark: what a load that is refused
// must leave exactly as it was.
inline std::unique_ptr<DeviceImage> LivedInImage()
{
    auto image = NewImage();
    FillPattern(*image);
    image->dataStart = 0x10;
    image->dataEnd = 0x20;
    image->marks[3] = MarkMismatch;
    return image;
}

inline void ExpectSameImage(const DeviceImage& image, const DeviceImage& before)
{
    EXPECT_EQ(image.buffer, before.buffer);
    EXPECT_EQ(image.marks, before.marks);
    EXPECT_EQ(image.dataStart, before.dataStart);
    EXPECT_EQ(image.dataEnd, before.dataEnd);
}

