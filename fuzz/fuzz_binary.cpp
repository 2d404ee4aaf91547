// Any bytes as a binary file: loaded whole up to 20480 bytes, refused above,
// and saved back unchanged.
#include "FuzzCheck.h"

#include <BinaryFormat.h>
#include <ImageFile.h>
#include <SaveRange.h>

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const auto fresh = std::make_unique<DeviceImage>();
    static const auto image = std::make_unique<DeviceImage>();
    *image = *fresh;

    const ImageLoadResult result = LoadImageFile(*image, ImageFileKind::Binary, {data, size});
    if (size > static_cast<size_t>(kBinaryMaxLength)) {
        FUZZ_CHECK(!result.loaded && result.message == kBinaryTooLargeMessage);
        FUZZ_CHECK(image->dataStart == 0xFFFF && image->dataEnd == 0);
        FUZZ_CHECK(image->buffer == fresh->buffer);
        return 0;
    }
    FUZZ_CHECK(result.loaded && result.message.empty());
    FUZZ_CHECK(image->dataStart == 0 && image->dataEnd == static_cast<int32_t>(size));
    FUZZ_CHECK(size == 0 || std::memcmp(image->buffer.data(), data, size) == 0);
    FUZZ_CHECK(std::memcmp(image->buffer.data() + size, fresh->buffer.data() + size, kImageCapacity - size) == 0);
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
