#include "DeviceImage.h"

#include <algorithm>

DeviceImage::DeviceImage()
    : dataEnd(0), dataStart(0), deviceSize(0x3000)
{
    // The spare part beyond the device is zeroed so that nothing reads
    // indeterminate bytes; only the device part is given its erased state.
    buffer.fill(0);
    marks.fill(MarkNone);
    std::fill_n(marks.begin(), deviceSize, MarkNone);
    std::fill_n(buffer.begin(), deviceSize, 0xFF);
    chipCache.fill(ChipUnknown);
    dataStart = 0;
    dataEnd = deviceSize - 1;
}

void DeviceImage::clearForNew()
{
    std::fill_n(marks.begin(), deviceSize, MarkNone);
    std::fill_n(buffer.begin(), deviceSize, 0xFF);
    chipCache.fill(ChipUnknown);
}
