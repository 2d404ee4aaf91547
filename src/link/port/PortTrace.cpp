#include "PortTrace.h"

PortTrace::PortTrace(const std::string& path)
{
    if (!path.empty())
        file_ = std::fopen(path.c_str(), "a");
    start_ = std::chrono::steady_clock::now();
}

PortTrace::~PortTrace()
{
    if (file_)
        std::fclose(file_);
}

void PortTrace::record(char operation, uint8_t value)
{
    if (!file_)
        return;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now() - start_).count();
    std::fprintf(file_, "%lld %c %02X\n", static_cast<long long>(us), operation, value);
}

void PortTrace::flush()
{
    if (file_)
        std::fflush(file_);
}
