#include "VerifyJob.h"

bool VerifyJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    report_ = {};
    if (!portReady() || !openOnChip("verified", Use::Read))
        return false;
    const std::optional<bool> differs = compareWithChip(start, finish, false);
    const bool stopped = report_.stoppedAt >= 0;
    // Shown with the target still held in programming state.
    if (differs.value_or(false) && !stopped)
        feedback_.message("The contents of the IC and the buffer doesn't match", "ERROR", JobFeedback::Buttons::Ok);
    report_.succeeded = closeAnswered(differs.has_value()) && !*differs && !stopped;
    return report_.succeeded;
}
