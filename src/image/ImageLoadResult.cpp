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
            return name + " holds no data for " + DeviceSpan(deviceSize) + ": all its " + Bytes(r.leftOut) +
                   " lie outside it. Nothing was loaded.";
        return name + " holds no data for " + DeviceSpan(deviceSize) + ". Nothing was loaded.";
    case ImageLoadResult::Status::Loaded:
        if (r.leftOut > 0)
            return name + ": " + Bytes(r.leftOut) + " lie outside " + DeviceSpan(deviceSize) +
                   " and were left out.";
        return {};
    }
    return {};
}
