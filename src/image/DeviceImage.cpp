#include "DeviceImage.h"

#include "DeviceBytes.h"

#include <algorithm>

DeviceImage::DeviceImage()
    : dataEnd(0), dataStart(0), deviceSize(0x3000)
{
    // The spare part beyond the device reads as erased flash too: a range
    // ending one past the device (a 12 KB binary file's) then compares equal
    // to the chip's 0xFF there instead of failing a write on a byte the chip
    // does not have.
    buffer.fill(0xFF);
    marks.fill(MarkNone);
    chipCache.fill(ChipUnknown);
    dataStart = 0;
    dataEnd = deviceSize - 1;
}

void DeviceImage::clearForNew()
{
    const int32_t device = DeviceBytes(deviceSize);
    std::fill_n(marks.begin(), device, MarkNone);
    std::fill_n(buffer.begin(), device, 0xFF);
    chipCache.fill(ChipUnknown);
    clearSpare();
}

void DeviceImage::clearSpare()
{
    const int32_t device = DeviceBytes(deviceSize);
    std::fill(buffer.begin() + device, buffer.end(), 0xFF);
    std::fill(marks.begin() + device, marks.end(), MarkNone);
}
