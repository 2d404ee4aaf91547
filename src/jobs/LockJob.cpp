#include "LockJob.h"

#include <algorithm>

bool LockJob::run(int level)
{
    report_ = {};
    if (!portReady() || !openOnChip("locked", Use::Lock))
        return false;
    const int wanted = std::clamp(level, 1, 3);
    isp_->WriteLockBits(static_cast<uint8_t>(wanted));
    // Where the chip can tell, it says whether the bits took.
    const std::optional<int> now = isp_->ReadLockLevel();
    const bool kept = closeBracket();
    if (kept && now && *now < wanted) {
        lockDidNotTake(*now);
        return false;
    }
    report_.succeeded = kept;
    return report_.succeeded;
}
