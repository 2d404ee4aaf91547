#include "ReadJob.h"

#include <utility>
#include <vector>

bool ReadJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    report_ = {};
    if (!portReady() || !openOnChip("read", Use::Read))
        return false;
    const JobRange range = enterRange(start, finish);
    // A short range moves the bar at every address, a long one every 64th, so
    // that updating the bar never costs more than the reads.
    const bool everyAddress = int64_t{range.finish} - range.start < 64;
    // The image takes the bytes only from a read that ran to its end on a
    // chip that showed it was there.
    std::vector<std::pair<int32_t, uint8_t>> read;
    readSpan(range.start, range.finish, [&](int32_t a, uint8_t v) {
        read.emplace_back(a, v);
        if (a % 64 == 0 || everyAddress)
            feedback_.progress(a);
        return true;
    });
    const bool stopped = report_.stoppedAt >= 0;
    if (!closeAnswered(stopped || chipShowedItself()) || stopped)
        return false;
    for (const auto& [a, v] : read) {
        image_.buffer[a] = v;
        image_.chipCache[a] = v;
    }
    report_.succeeded = true;
    return true;
}
