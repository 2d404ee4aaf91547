#include "VerifyJob.h"

bool VerifyJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    report_ = {};
    if (!portReady() || !openBracket())
        return false;
    const bool differs = compareWithChip(start, finish, false);
    const bool stopped = report_.stoppedAt >= 0;
    // Shown with the target still held in programming state.
    if (differs && !stopped)
        feedback_.message("The contents of the IC and the buffer doesn't match", "ERROR", JobFeedback::Buttons::Ok);
    report_.succeeded = closeBracket() && !differs && !stopped;
    return report_.succeeded;
}
