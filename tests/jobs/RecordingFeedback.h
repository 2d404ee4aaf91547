#pragma once

#include <JobFeedback.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Keeps every progress call and message box a job asks for; a box is
// "dismissed" at once, after onMessage has looked at the world.
class RecordingFeedback : public JobFeedback {
public:
    struct Message {
        std::string text;
        std::string caption;
        Buttons buttons;
        bool operator==(const Message&) const = default;
    };

    void progressRange(int32_t minimum, int32_t maximum) override { ranges.emplace_back(minimum, maximum); }
    void progress(int32_t position) override { positions.push_back(position); }
    void message(std::string_view text, std::string_view caption, Buttons buttons) override
    {
        messages.push_back({std::string(text), std::string(caption), buttons});
        if (onMessage)
            onMessage();
    }

    std::vector<std::pair<int32_t, int32_t>> ranges;
    std::vector<int32_t> positions;
    std::vector<Message> messages;
    std::function<void()> onMessage;
};
