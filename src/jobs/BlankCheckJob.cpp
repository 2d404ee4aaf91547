#include "BlankCheckJob.h"

#include <cstdio>

bool BlankCheckJob::run(std::optional<int32_t> start, std::optional<int32_t> finish)
{
    report_ = {};
    // The range is taken before the lines move; this job refreshes the
    // counter frequency only once the chip is enabled.
    const JobRange range = rangeOf(start, finish);
    // Nothing checked proves nothing blank.
    if (range.empty()) {
        char text[96];
        std::snprintf(text, sizeof text, "The start, 0x%04X, lies above the finish, 0x%04X: nothing was checked.",
                      static_cast<unsigned>(range.start), static_cast<unsigned>(range.finish));
        error(text);
        return false;
    }
    if (!portReady())
        return false;
    link_.EnterProgramming();
    if (!enable("checked"))
        return false;
    link_.RefreshTimerFrequency();
    if (!chipIsSelected("checked", Use::Read)) {
        closeBracket();
        return false;
    }
    report_.start = range.start;
    report_.finish = range.finish;
    feedback_.progressRange(range.start, range.finish);

    bool blank = true;
    // Every address of the range, the finish too: a chip whose only
    // programmed byte is the last one is not blank.
    readSpan(range.start, range.finish, [&](int32_t a, uint8_t v) {
        // One programmed byte settles it: read no further.
        if (v != 0xFF) {
            blank = false;
            report_.firstDifference = a;
            report_.differing = 1;
            return false;
        }
        if (a % 64 == 0)
            feedback_.progress(a);
        return true;
    });
    const bool stopped = report_.stoppedAt >= 0;
    // Only 0xFF is also what no chip at all reads.
    const bool answered = !blank || stopped || chipShowedItself();
    link_.LeaveProgramming();
    if (!portKept() || stopped)
        return false;
    if (!answered) {
        noAnswer();
        return false;
    }
    feedback_.message(blank ? "Memory is blanck" : "Memory isn't blanck", "", JobFeedback::Buttons::Ok);
    report_.succeeded = blank;
    return blank;
}
