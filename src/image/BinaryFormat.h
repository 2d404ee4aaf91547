#pragma once

#include "DeviceImage.h"
#include "ImageLoadResult.h"

#include <cstdint>
#include <span>
#include <vector>

// Raw binary image files: file offset n holds chip address n, no header.

// The longest binary file a load accepts. A caller may read at most one byte
// more than this from a file: anything longer is refused all the same.
inline constexpr int64_t kBinaryMaxLength = kImageCapacity;
inline constexpr char kBinaryTooLargeMessage[] = "Can't open files larger than 20Kb";

// Sets the range to 0xFFFF, 0 and then, unless the file is longer than
// kBinaryMaxLength (refused with kBinaryTooLargeMessage, nothing read),
// puts the bytes at address 0 on and sets the range to 0, length. Marks are
// not touched; bytes past the file keep their values.
ImageLoadResult LoadBinary(DeviceImage& image, std::span<const uint8_t> file);

// The bytes start..finish, both included, after ClampSaveRange; empty when
// start lies above finish.
std::vector<uint8_t> StoreBinary(const DeviceImage& image, int32_t start, int32_t finish);
