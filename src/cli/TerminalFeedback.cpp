#include "TerminalFeedback.h"

#include "CliText.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr double kRedrawSeconds = 0.1;
constexpr int kBarWidth = 24;

double SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

TerminalFeedback::TerminalFeedback(std::FILE* out, Style style, std::function<bool()> stop, Clock clock)
    : out_(out), style_(style), stop_(std::move(stop)), clock_(clock ? std::move(clock) : Clock(SteadySeconds))
{
    started_ = clock_();
}

double TerminalFeedback::elapsed() const
{
    return clock_() - started_;
}

void TerminalFeedback::begin(std::string_view name, std::string_view what)
{
    name_ = name;
    minimum_ = 0;
    maximum_ = -1;
    position_ = -1;
    if (style_ == Style::Lines) {
        std::fprintf(out_, "%s: %.*s\n", name_.c_str(), static_cast<int>(what.size()), what.data());
        std::fflush(out_);
    }
    draw(true);
}

void TerminalFeedback::summary(std::string_view text)
{
    if (style_ == Style::Quiet)
        return;
    clearLine();
    std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(out_);
}

void TerminalFeedback::error(std::string_view text)
{
    clearLine();
    std::fprintf(out_, "vorlane-cli: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(out_);
    ++errors_;
}

void TerminalFeedback::warning(std::string_view text)
{
    clearLine();
    std::fprintf(out_, "vorlane-cli: warning: %.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(out_);
}

void TerminalFeedback::progressRange(int32_t minimum, int32_t maximum)
{
    minimum_ = minimum;
    maximum_ = maximum;
    position_ = minimum;
    draw(true);
}

void TerminalFeedback::progress(int32_t position)
{
    // The windows put their bar back to 0 when a job ends; a terminal line
    // that jumped back would only mislead.
    if (position < position_)
        return;
    position_ = position;
    draw(false);
}

void TerminalFeedback::message(std::string_view text, std::string_view caption, Buttons)
{
    if (caption == "ERROR")
        error(text);
}

bool TerminalFeedback::stopRequested()
{
    draw(false);
    return stop_ && stop_();
}

void TerminalFeedback::draw(bool force)
{
    if (style_ != Style::Bar || name_.empty())
        return;
    const double now = clock_();
    if (!force && drawnAt_ >= 0 && now - drawnAt_ < kRedrawSeconds)
        return;
    drawnAt_ = now;
    std::string line = name_;
    line.resize(std::max<size_t>(line.size() + 1, 12), ' ');
    if (maximum_ >= minimum_ && position_ >= minimum_) {
        const int64_t span = int64_t{maximum_} - minimum_ + 1;
        const int64_t done = std::min<int64_t>(int64_t{position_} - minimum_, span);
        const int filled = static_cast<int>(done * kBarWidth / span);
        line += '[' + std::string(static_cast<size_t>(filled), '#') +
                std::string(static_cast<size_t>(kBarWidth - filled), '.') + ']';
        char percent[8];
        std::snprintf(percent, sizeof percent, "%4d%%", static_cast<int>(done * 100 / span));
        line += percent;
        line += "  " + AddressText(position_);
    }
    line += "  " + SecondsText(now - started_);
    // Pad over the end of a longer line drawn before.
    const size_t width = line.size();
    if (width < drawnWidth_)
        line.append(drawnWidth_ - width, ' ');
    drawnWidth_ = width;
    std::fprintf(out_, "\r%s", line.c_str());
    std::fflush(out_);
}

void TerminalFeedback::clearLine()
{
    if (drawnWidth_ == 0)
        return;
    std::fprintf(out_, "\r%s\r", std::string(drawnWidth_, ' ').c_str());
    drawnWidth_ = 0;
}
