#pragma once

#include <cstdint>
#include <string>

// Appends every port operation to a file, for checking a cable by eye and for
// tests: "<microseconds since the trace opened> W <data>" or "... R <status>".
//
// The lines reach the file while the program runs, not only at its end: a
// user watching the cable with a probe reads them as they come, and a program
// that crashes leaves them behind. Writing each line at once would cost a
// system call per port access and lengthen a read by half, so lines gather in
// a buffer that goes to the file whenever a line follows a pause (the waits
// after reset, after a byte write, and between the steps of every release of
// the lines, whose last line thus never waits in the buffer), and otherwise
// at least every kFlushEveryUs.
class PortTrace {
public:
    explicit PortTrace(const std::string& path);
    ~PortTrace();
    PortTrace(const PortTrace&) = delete;
    PortTrace& operator=(const PortTrace&) = delete;

    bool active() const { return fd_ >= 0; }
    // Empty, or why the file asked for takes no trace (it could not be
    // opened, or a write to it failed and the trace stopped).
    const std::string& problem() const { return problem_; }
    // `stamp`: the current counter's reading just before the access, so the
    // gaps between lines are the phases the line driver timed.
    void record(char operation, uint8_t value, int64_t stamp);
    void flush();

    // Opens `path` for appending as a trace does, without waiting: a FIFO
    // that nobody reads fails at once (ENXIO) rather than hanging the
    // program before its window or job. Returns the descriptor, or -errno.
    static int OpenFile(const std::string& path);
    // Why an open or a write failed, as a user can act on it.
    static std::string Reason(int error);

    static constexpr long long kPauseUs = 500;
    static constexpr long long kFlushEveryUs = 50000;

private:
    void append(long long us, char operation, uint8_t value);
    void fail(const char* what, int error);

    int fd_ = -1;
    std::string path_;
    std::string problem_;
    std::string buffer_;
    long long lastUs_ = 0;
    long long flushedUs_ = 0;
    int64_t origin_ = 0;
};
