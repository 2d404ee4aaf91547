#include "WriteVerifyJob.h"

bool WriteVerifyJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    report_ = {};
    if (!portReady() || !openOnChip("verified", Use::Read))
        return false;
    const std::optional<bool> differs = compareWithChip(start, finish, true);
    if (!closeAnswered(differs.has_value()) || report_.stoppedAt >= 0)
        return false;
    feedback_.message(*differs ? "The contents of the CPU and the BUFFER doesn't match"
                               : "The contents of the CPU and the BUFFER match",
                      "", JobFeedback::Buttons::OkCancel);
    report_.succeeded = !*differs;
    return report_.succeeded;
}
