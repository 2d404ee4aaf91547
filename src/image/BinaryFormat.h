#pragma once

#include "DeviceImage.h"
#include "ImageCoverage.h"
#include "ImageLoadResult.h"

#include <cstdint>
#include <span>
#include <vector>

// Raw binary image files: file offset n holds chip address n, no header.

// The longest binary file a load accepts. A caller may read at most one byte
// more than this from a file: anything longer is refused all the same.
inline constexpr int64_t kBinaryMaxLength = kImageCapacity;
inline constexpr char kBinaryTooLargeMessage[] = "Can't open files larger than 20Kb";

// A file longer than kBinaryMaxLength is refused unread; an empty one is
// NoData; either way the image stays as it was. Otherwise the bytes that fit
// the device go to address 0 on, the range becomes 0 to the number of bytes
// loaded, and the spare part past the device is cleared. Bytes past the
// device that are not 0xFF padding are counted in leftOut, never loaded.
// Marks are cleared over the device; bytes past the file keep their values.
// With `covered`, it ends holding exactly the addresses loaded.
ImageLoadResult LoadBinary(DeviceImage& image, std::span<const uint8_t> file, ImageCoverage* covered = nullptr);

// The bytes start..finish, both included, after ClampSaveRange; empty when
// start lies above finish.
std::vector<uint8_t> StoreBinary(const DeviceImage& image, int32_t start, int32_t finish);
