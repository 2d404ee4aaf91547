// Any bytes as a binary file: loaded whole up to 20480 bytes, refused above,
// and saved back unchanged.
#include "FuzzCheck.h"

#include <BinaryFormat.h>
#include <ImageFile.h>
#include <SaveRange.h>

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const auto fresh = std::make_unique<DeviceImage>();
    static const auto image = std::make_unique<DeviceImage>();
    *image = *fresh;

    const ImageLoadResult result = LoadImageFile(*image, ImageFileKind::Binary, {data, size});
    if (size > static_cast<size_t>(kBinaryMaxLength) || size == 0) {
        FUZZ_CHECK(!result.loaded());
        FUZZ_CHECK(size == 0 || result.problem == kBinaryTooLargeMessage);
        FUZZ_CHECK(image->dataStart == fresh->dataStart && image->dataEnd == fresh->dataEnd);
        FUZZ_CHECK(image->buffer == fresh->buffer);
        return 0;
    }
    const size_t device = static_cast<size_t>(image->deviceSize);
    const size_t fits = std::min(size, device);
    FUZZ_CHECK(result.loaded());
    FUZZ_CHECK(image->dataStart == 0 && image->dataEnd == static_cast<int32_t>(fits));
    FUZZ_CHECK(std::memcmp(image->buffer.data(), data, fits) == 0);
    FUZZ_CHECK(std::memcmp(image->buffer.data() + fits, fresh->buffer.data() + fits, device - fits) == 0);
    int64_t leftOut = 0;
    for (size_t i = device; i < size; ++i)
        leftOut += data[i] != 0xFF;
    FUZZ_CHECK(result.leftOut == leftOut);
    for (size_t a = device; a < kImageCapacity; ++a)
        FUZZ_CHECK(image->buffer[a] == 0xFF);
    for (int a = 0; a < image->deviceSize; ++a)
        FUZZ_CHECK(image->marks[a] == MarkNone);
    FUZZ_CHECK(image->chipCache == fresh->chipCache);

    if (size >= 8) {
        int32_t start;
        int32_t finish;
        RangeFromInput(data, start, finish);
        const auto part = StoreImageFile(*image, ImageFileKind::Binary, start, finish);
        const SaveRange range = ClampSaveRange(start, finish, image->deviceSize);
        if (range.start > range.finish) {
            FUZZ_CHECK(part.empty());
        } else {
            FUZZ_CHECK(part.size() == static_cast<size_t>(range.finish - range.start + 1));
            FUZZ_CHECK(std::memcmp(part.data(), image->buffer.data() + range.start, part.size()) == 0);
        }
    }
    return 0;
}
