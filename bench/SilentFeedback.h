#pragma once

// A job window for benches: no progress bar; a message box is printed.
#include <JobFeedback.h>

#include <cstdio>

class SilentFeedback : public JobFeedback {
public:
    void progressRange(int32_t, int32_t) override {}
    void progress(int32_t) override {}
    void message(std::string_view text, std::string_view, Buttons) override
    {
        std::printf("  message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
};
