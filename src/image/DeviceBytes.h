#pragma once

#include "DeviceImage.h"

#include <algorithm>
#include <cstdint>

// The device size bounded by the arrays, so that no file operation can reach
// past them whatever deviceSize holds.
inline int32_t DeviceBytes(int32_t deviceSize)
{
    return std::clamp<int32_t>(deviceSize, 0, kImageCapacity);
}

inline int32_t DeviceBytes(const DeviceImage& image)
{
    return DeviceBytes(image.deviceSize);
}
