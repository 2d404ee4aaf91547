#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Appends every port operation to a file, for checking a cable by eye and for
// tests: "<microseconds since the trace opened> W <data>" or "... R <status>".
// Times are the line driver's own counter readings taken just before each
// access, so the gaps between lines are the phases the driver timed.
class PortTrace {
public:
    explicit PortTrace(const std::string& path);
    ~PortTrace();
    PortTrace(const PortTrace&) = delete;
    PortTrace& operator=(const PortTrace&) = delete;

    bool active() const { return file_ != nullptr; }
    // `stamp`: the current counter's reading just before the access.
    void record(char operation, uint8_t value, int64_t stamp);
    void flush();

private:
    std::FILE* file_ = nullptr;
    int64_t origin_ = 0;
};
