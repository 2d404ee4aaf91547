#include "VerifyJob.h"

bool VerifyJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    const bool differs = compareWithChip(start, finish, false);
    // Shown with the target still held in programming state.
    if (differs)
        feedback_.message("The contents of the IC and the buffer doesn't match", "ERROR", JobFeedback::Buttons::Ok);
    closeBracket();
    return !differs;
}
