#include "TerminalFeedback.h"

#include "CliText.h"

#include <algorithm>
#include <chrono>
#include <sys/ioctl.h>

namespace {

constexpr double kRedrawSeconds = 0.1;
// A log is told of progress no more often than this.
constexpr double kLogLineSeconds = 1.0;
constexpr int kBarWidth = 24;
// Narrower than this, a bar says nothing the percentage does not.
constexpr int kNarrowestBar = 4;
constexpr int kAssumedColumns = 80;

double SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

TerminalFeedback::TerminalFeedback(std::FILE* out, Style style, std::function<bool()> stop, Clock clock,
                                   Columns columns)
    : out_(out), style_(style), stop_(std::move(stop)), clock_(clock ? std::move(clock) : Clock(SteadySeconds)),
      columns_(std::move(columns))
{
    if (!columns_) {
        columns_ = [out] {
            winsize size{};
            return ::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 ? int{size.ws_col} : 0;
        };
    }
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
    tenthsShown_ = 0;
    loggedAt_ = clock_();
    if (style_ == Style::Lines)
        print(name_ + ": " + std::string(what) + "\n");
    draw(true);
}

void TerminalFeedback::summary(std::string_view text)
{
    if (style_ == Style::Quiet)
        return;
    clearLine();
    print(std::string(text) + "\n");
}

void TerminalFeedback::error(std::string_view text)
{
    clearLine();
    print("vorlane-cli: " + std::string(text) + "\n");
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
    tenthsShown_ = 0;
    draw(true);
}

void TerminalFeedback::progress(int32_t position)
{
    // The windows put their bar back to 0 when a job ends; a terminal line
    // that jumped back would only mislead.
    if (position < position_)
        return;
    position_ = position;
    if (style_ == Style::Lines)
        tenth();
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

void TerminalFeedback::tenth()
{
    if (maximum_ < minimum_ || position_ < minimum_)
        return;
    const int64_t span = int64_t{maximum_} - minimum_ + 1;
    const int64_t done = std::min<int64_t>(int64_t{position_} - minimum_, span);
    const int tenths = static_cast<int>(done * 10 / span);
    // The tenth the job ends on is the summary's to tell; a quick job
    // needs no sign of life.
    const double now = clock_();
    if (tenths <= tenthsShown_ || tenths >= 10 || now - loggedAt_ < kLogLineSeconds)
        return;
    tenthsShown_ = tenths;
    loggedAt_ = now;
    print(name_ + ": " + std::to_string(done * 100 / span) + "%, " + AddressText(position_) + ", " +
          SecondsText(now - started_) + "\n");
}

std::string TerminalFeedback::barLine(size_t width, double now) const
{
    std::string line = name_;
    line.resize(std::max<size_t>(line.size() + 1, 12), ' ');
    const std::string time = "  " + SecondsText(now - started_);
    if (maximum_ >= minimum_ && position_ >= minimum_) {
        const int64_t span = int64_t{maximum_} - minimum_ + 1;
        const int64_t done = std::min<int64_t>(int64_t{position_} - minimum_, span);
        char percent[8];
        std::snprintf(percent, sizeof percent, "%4d%%", static_cast<int>(done * 100 / span));
        std::string address = "  " + AddressText(position_);
        // What goes first when the terminal is narrow: the bar's width, the
        // bar, the address; the percentage and the time stay.
        const size_t rest = line.size() + 5 + address.size() + time.size();
        const int bar = static_cast<int>(std::min<size_t>(kBarWidth, width > rest + 2 ? width - rest - 2 : 0));
        if (bar >= kNarrowestBar) {
            const int filled = static_cast<int>(done * bar / span);
            line += '[' + std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(bar - filled), '.') + ']';
        } else if (rest > width) {
            address.clear();
        }
        line += percent + address;
    }
    line += time;
    if (line.size() > width)
        line.resize(width);
    return line;
}

void TerminalFeedback::draw(bool force)
{
    if (style_ != Style::Bar || name_.empty())
        return;
    const double now = clock_();
    if (!force && drawnAt_ >= 0 && now - drawnAt_ < kRedrawSeconds)
        return;
    drawnAt_ = now;
    // One column short of the edge: a line that reached it would leave the
    // cursor waiting to wrap, and the next "\r" would start a new row.
    const int columns = columns_();
    const size_t room = static_cast<size_t>(columns > 1 ? columns - 1 : kAssumedColumns - 1);
    std::string line = barLine(room, now);
    // Pad over the end of a longer line drawn before.
    const size_t width = line.size();
    if (width < drawnWidth_)
        line.append(std::min(drawnWidth_, room) - width, ' ');
    drawnWidth_ = width;
    print("\r" + line);
}

void TerminalFeedback::clearLine()
{
    if (drawnWidth_ == 0)
        return;
    print("\r" + std::string(drawnWidth_, ' ') + "\r");
    drawnWidth_ = 0;
}

void TerminalFeedback::print(const std::string& text)
{
    if (closed_)
        return;
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
    closed_ = std::ferror(out_) != 0;
}
