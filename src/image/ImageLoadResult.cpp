#include "ImageLoadResult.h"

#include <cstdio>

namespace {

std::string DeviceSpan(int32_t deviceSize)
{
    char text[48];
    std::snprintf(text, sizeof text, "the device (0x0000-0x%04X)", deviceSize > 0 ? deviceSize - 1 : 0);
    return text;
}

std::string Bytes(int64_t n)
{
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// The verb after a count of bytes: "1 byte lies", "2 bytes lie".
std::string Verb(int64_t n, const char* one, const char* many)
{
    return n == 1 ? one : many;
}

std::string Address(int32_t a)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(a));
    return text;
}

std::string Overlaps(const ImageLoadResult& r, const std::string& name)
{
    if (r.overlapping == 1)
        return name + ": records overlap at 1 byte (" + Address(r.firstOverlap) +
               "); the value given last was loaded.";
    return name + ": records overlap at " + Bytes(r.overlapping) + ", the first at " + Address(r.firstOverlap) +
           "; the values given last were loaded.";
}

} // namespace

std::string DescribeImageLoad(const ImageLoadResult& r, std::string_view fileName, int32_t deviceSize)
{
    const std::string name(fileName);
    switch (r.status) {
    case ImageLoadResult::Status::Refused:
        return r.problem;
    case ImageLoadResult::Status::Damaged:
        return name + ", line " + std::to_string(r.line) + ": damaged Intel HEX record: " + r.problem +
               ". Nothing was loaded.";
    case ImageLoadResult::Status::NoData:
        if (r.leftOut > 0)
            return name + " holds no data for " + DeviceSpan(deviceSize) + ": " + (r.leftOut == 1 ? "its " : "all its ") +
                   Bytes(r.leftOut) + Verb(r.leftOut, " lies", " lie") + " outside it. Nothing was loaded.";
        return name + " holds no data for " + DeviceSpan(deviceSize) + ". Nothing was loaded.";
    case ImageLoadResult::Status::Loaded: {
        std::string text;
        if (r.leftOut > 0)
            text = name + ": " + Bytes(r.leftOut) + Verb(r.leftOut, " lies", " lie") + " outside " +
                   DeviceSpan(deviceSize) + Verb(r.leftOut, " and was left out.", " and were left out.");
        if (r.overlapping > 0)
            text += (text.empty() ? "" : " ") + Overlaps(r, name);
        return text;
    }
    }
    return {};
}
