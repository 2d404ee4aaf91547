#include "SaveRange.h"

#include "DeviceBytes.h"

SaveRange ClampSaveRange(std::optional<int32_t> start, std::optional<int32_t> finish,
                         int32_t deviceSize)
{
    // Bounded by the arrays so that a range from here can always be read.
    const int32_t last = DeviceBytes(deviceSize) - 1;
    SaveRange range;
    range.start = (!start || *start < 0 || *start > last) ? 0 : *start;
    range.finish = (!finish || *finish < 0 || *finish > last) ? last : *finish;
    return range;
}

SaveRange WholeDeviceRange(int32_t deviceSize)
{
    return ClampSaveRange(0, DeviceBytes(deviceSize) - 1, deviceSize);
}
