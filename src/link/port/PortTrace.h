#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// Appends every port operation to a file, for checking a cable by eye and for
// tests: "<microseconds since the trace opened> W <data>" or "... R <status>".
class PortTrace {
public:
    explicit PortTrace(const std::string& path);
    ~PortTrace();
    PortTrace(const PortTrace&) = delete;
    PortTrace& operator=(const PortTrace&) = delete;

    bool active() const { return file_ != nullptr; }
    void record(char operation, uint8_t value);
    void flush();

private:
    std::FILE* file_ = nullptr;
    std::chrono::steady_clock::time_point start_;
};
