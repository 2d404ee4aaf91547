#include "BlankCheckJob.h"

bool BlankCheckJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    // The range is taken before the lines move; this job refreshes the
    // counter frequency only once the chip is enabled.
    const JobRange range = rangeOf(start, finish);
    driver_.EnterProgramming();
    isp_.ProgrammingEnable();
    driver_.RefreshTimerFrequency();
    feedback_.progressRange(range.start, range.finish);

    bool blank = true;
    for (int32_t a = range.start; a < range.finish; ++a) {
        // One programmed byte settles it: read no further.
        if (readChip(a) != 0xFF) {
            blank = false;
            break;
        }
        if (a % 64 == 0)
            feedback_.progress(a);
    }
    driver_.LeaveProgramming();
    feedback_.message(blank ? "Memory is blanck" : "Memory isn't blanck", "", JobFeedback::Buttons::Ok);
    return blank;
}
