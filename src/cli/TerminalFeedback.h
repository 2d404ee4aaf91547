#pragma once

#include <JobFeedback.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

// What a job shows on a terminal instead of a window: a progress line on
// standard error, redrawn in place at most ten times a second and cut to the
// terminal's width, read anew at each redraw (Bar); plain lines when
// standard error is no terminal: the start, each tenth of the way once a
// second has passed since the last line, the end (Lines); or nothing but
// errors (Quiet). A job's error boxes become error
// lines at once; its other boxes are the window's verdicts, which the
// commands word themselves. Once a line cannot be written (the reader went
// away), nothing more is printed: the job goes on.
class TerminalFeedback : public JobFeedback {
public:
    enum class Style { Bar, Lines, Quiet };
    using Clock = std::function<double()>; // seconds, monotonic
    using Columns = std::function<int()>;  // the terminal's width, 0 when unknown

    TerminalFeedback(std::FILE* out, Style style, std::function<bool()> stop, Clock clock = {}, Columns columns = {});

    // A phase begins: Lines prints "name: what"; Bar draws "name" and its bar.
    void begin(std::string_view name, std::string_view what);
    // The line for the end of the command, after the bar is cleared.
    void summary(std::string_view text);
    // "vorlane-cli: text", whatever the style.
    void error(std::string_view text);
    // "vorlane-cli: warning: text", whatever the style; the job goes on.
    void warning(std::string_view text);
    // Seconds since this feedback was made.
    double elapsed() const;
    // Error lines printed so far, the jobs' and error()'s.
    int errors() const { return errors_; }

    void progressRange(int32_t minimum, int32_t maximum) override;
    void progress(int32_t position) override;
    void message(std::string_view text, std::string_view caption, Buttons buttons) override;
    // Asked before each address: also keeps the elapsed time moving on the bar.
    bool stopRequested() override;

private:
    void draw(bool force);
    // The bar's line, at most `width` characters.
    std::string barLine(size_t width, double now) const;
    void clearLine();
    // Lines: "name: 30%, 0x0E65, 4.2 s" as the job passes each tenth.
    void tenth();
    // Prints unless an earlier print failed; flushes.
    void print(const std::string& text);

    std::FILE* out_;
    Style style_;
    std::function<bool()> stop_;
    Clock clock_;
    Columns columns_;
    double started_ = 0;
    double drawnAt_ = -1;
    double loggedAt_ = 0;
    std::string name_;
    int32_t minimum_ = 0;
    int32_t maximum_ = -1;
    int32_t position_ = -1;
    size_t drawnWidth_ = 0;
    int tenthsShown_ = 0;
    int errors_ = 0;
    bool closed_ = false;
};
