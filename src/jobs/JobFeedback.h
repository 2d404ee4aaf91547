#pragma once

#include <cstdint>
#include <string_view>

// What a job shows the user: its window's progress bar and message boxes.
// The job windows implement it; the jobs call it synchronously.
class JobFeedback {
public:
    enum class Buttons { Ok, OkCancel };

    virtual ~JobFeedback() = default;

    // Bounds of the progress bar for this run; minimum may exceed maximum
    // when the range is empty.
    virtual void progressRange(int32_t minimum, int32_t maximum) = 0;
    virtual void progress(int32_t position) = 0;
    // A modal box; returns once the user has dismissed it. Which button was
    // pressed makes no difference to any job. An empty caption is a box
    // without a title.
    virtual void message(std::string_view text, std::string_view caption, Buttons buttons) = 0;
    // Asked once per address: true ends the job before that address, with
    // the target released as after any job. Only a stop signal (Ctrl+C, a
    // hang-up) stops one; no button does.
    virtual bool stopRequested() { return false; }
};
