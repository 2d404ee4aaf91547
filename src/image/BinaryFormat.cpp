#include "BinaryFormat.h"

#include "SaveRange.h"

#include <algorithm>

ImageLoadResult LoadBinary(DeviceImage& image, std::span<const uint8_t> file)
{
    // A refused load still leaves this "nothing loaded" range behind.
    image.dataStart = 0xFFFF;
    image.dataEnd = 0;
    if (file.size() > static_cast<uint64_t>(kBinaryMaxLength))
        return ImageLoadResult::Refused(kBinaryTooLargeMessage);

    std::copy(file.begin(), file.end(), image.buffer.begin());
    image.dataStart = 0;
    image.dataEnd = static_cast<int32_t>(file.size());
    return ImageLoadResult::Loaded();
}

std::vector<uint8_t> StoreBinary(const DeviceImage& image, int32_t start, int32_t finish)
{
    const SaveRange range = ClampSaveRange(start, finish, image.deviceSize);
    if (range.start > range.finish)
        return {};
    return {image.buffer.begin() + range.start, image.buffer.begin() + range.finish + 1};
}
