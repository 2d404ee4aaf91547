#include "ImageFile.h"

#include "BinaryFormat.h"
#include "DeviceBytes.h"
#include "IntelHexFormat.h"

#include <algorithm>

void ClearDeviceMarks(DeviceImage& image)
{
    std::fill_n(image.marks.begin(), DeviceBytes(image), MarkNone);
}

int64_t ImageFileMaxLength(ImageFileKind kind)
{
    return kind == ImageFileKind::IntelHex ? kIntelHexMaxLength : kBinaryMaxLength;
}

const char* ImageFileTooLargeMessage(ImageFileKind kind)
{
    return kind == ImageFileKind::IntelHex ? kIntelHexTooLargeMessage : kBinaryTooLargeMessage;
}

ImageLoadResult LoadImageFile(DeviceImage& image, ImageFileKind kind, std::span<const uint8_t> file,
                              ImageCoverage* covered)
{
    if (kind == ImageFileKind::IntelHex)
        return LoadIntelHex(image, file, covered);
    return LoadBinary(image, file, covered);
}

std::vector<uint8_t> StoreImageFile(DeviceImage& image, ImageFileKind kind, int32_t start, int32_t finish)
{
    ClearDeviceMarks(image);
    if (kind == ImageFileKind::IntelHex)
        return StoreIntelHex(image, start, finish);
    return StoreBinary(image, start, finish);
}
