#include "ReadJob.h"

bool ReadJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    report_ = {};
    if (!portReady() || !openBracket())
        return false;
    const JobRange range = enterRange(start, finish);
    // A short range moves the bar at every address, a long one every 64th, so
    // that updating the bar never costs more than the reads.
    const bool everyAddress = int64_t{range.finish} - range.start < 64;
    readSpan(range.start, range.finish, [&](int32_t a, uint8_t v) {
        image_.buffer[a] = v;
        image_.chipCache[a] = v;
        if (a % 64 == 0 || everyAddress)
            feedback_.progress(a);
        return true;
    });
    report_.succeeded = closeBracket() && report_.stoppedAt < 0;
    return report_.succeeded;
}
