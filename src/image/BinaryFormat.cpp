#include "BinaryFormat.h"

#include "DeviceBytes.h"
#include "SaveRange.h"

#include <algorithm>

ImageLoadResult LoadBinary(DeviceImage& image, std::span<const uint8_t> file, ImageCoverage* covered)
{
    if (covered)
        covered->reset();
    if (file.size() > static_cast<uint64_t>(kBinaryMaxLength))
        return ImageLoadResult::Refused(kBinaryTooLargeMessage);
    const size_t device = static_cast<size_t>(DeviceBytes(image));
    const size_t fits = std::min(file.size(), device);
    // Erased padding past the device is no loss; anything else is.
    const int64_t leftOut = file.size() > device
                                ? std::count_if(file.begin() + static_cast<std::ptrdiff_t>(device), file.end(),
                                                [](uint8_t b) { return b != 0xFF; })
                                : 0;
    if (fits == 0)
        return ImageLoadResult::NoData(leftOut);

    std::fill_n(image.marks.begin(), device, MarkNone);
    std::copy_n(file.begin(), fits, image.buffer.begin());
    image.clearSpare();
    image.dataStart = 0;
    image.dataEnd = static_cast<int32_t>(fits);
    for (size_t a = 0; covered && a < fits; ++a)
        covered->set(a);
    return ImageLoadResult::Loaded(leftOut);
}

std::vector<uint8_t> StoreBinary(const DeviceImage& image, int32_t start, int32_t finish)
{
    const SaveRange range = ClampSaveRange(start, finish, image.deviceSize);
    if (range.start > range.finish)
        return {};
    return {image.buffer.begin() + range.start, image.buffer.begin() + range.finish + 1};
}
