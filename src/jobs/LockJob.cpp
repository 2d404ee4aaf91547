#include "LockJob.h"

#include <algorithm>

bool LockJob::run(int level)
{
    report_ = {};
    if (!portReady())
        return false;
    openBracket();
    isp_.WriteLockBits(static_cast<uint8_t>(std::clamp(level, 1, 3)));
    report_.succeeded = closeBracket();
    return report_.succeeded;
}
