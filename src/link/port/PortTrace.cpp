#include "PortTrace.h"

#include "Counter.h"

PortTrace::PortTrace(const std::string& path)
{
    if (!path.empty())
        file_ = std::fopen(path.c_str(), "a");
    origin_ = currentCounter().now();
}

PortTrace::~PortTrace()
{
    if (file_)
        std::fclose(file_);
}

void PortTrace::record(char operation, uint8_t value, int64_t stamp)
{
    if (!file_)
        return;
    const long long us = CounterNanoseconds(stamp - origin_) / 1000;
    std::fprintf(file_, "%lld %c %02X\n", us, operation, value);
}

void PortTrace::flush()
{
    if (file_)
        std::fflush(file_);
}
