#include "WriteVerifyJob.h"

bool WriteVerifyJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    const bool differs = compareWithChip(start, finish, true);
    closeBracket();
    feedback_.message(differs ? "The contents of the CPU and the BUFFER doesn't match"
                              : "The contents of the CPU and the BUFFER match",
                      "", JobFeedback::Buttons::OkCancel);
    return !differs;
}
