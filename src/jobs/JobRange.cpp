#include "JobRange.h"

#include <algorithm>

JobRange JobRange::FromFields(std::optional<int32_t> start, std::optional<int32_t> finish, int32_t deviceSize)
{
    // 64-bit so that deviceSize + 1 and - 1 cannot overflow.
    const int64_t size = std::max<int64_t>(deviceSize, 0);
    int64_t s = start.value_or(-1);
    // A range may start at the device's last byte: a file may end there.
    if (s < 0 || s >= size)
        s = 0;
    int64_t f = finish.value_or(-1);
    if (f >= size + 1 || f < 0)
        f = size - 1;
    return {static_cast<int32_t>(s), static_cast<int32_t>(f)};
}

JobRange JobRange::Handled(std::optional<int32_t> start, std::optional<int32_t> finish, int32_t deviceSize)
{
    JobRange range = FromFields(start, finish, deviceSize);
    range.finish = std::min(range.finish, std::max(deviceSize, 0) - 1);
    return range;
}
