#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What a file load tells its caller. Only a Loaded file has touched the
// image; every other outcome leaves it exactly as it was.
struct ImageLoadResult {
    enum class Status {
        Loaded,  // the device data of the file are in the image
        Refused, // not read at all (too large); `problem` is the message
        Damaged, // an Intel HEX record on `line` is broken; `problem` says how
        NoData,  // nothing of the file lies inside the device
    };

    Status status = Status::Loaded;
    std::string problem;
    int line = 0;
    // Bytes of the file that lie outside the device and were not loaded.
    int64_t leftOut = 0;
    // Bytes that more than one record gave, the value given last loaded, and
    // the lowest of them (-1 when none).
    int64_t overlapping = 0;
    int32_t firstOverlap = -1;

    bool loaded() const { return status == Status::Loaded; }
    // Loaded whole: nothing refused and nothing left out.
    bool complete() const { return loaded() && leftOut == 0; }

    static ImageLoadResult Loaded(int64_t leftOut = 0) { return {Status::Loaded, {}, 0, leftOut}; }
    static ImageLoadResult Refused(std::string text) { return {Status::Refused, std::move(text)}; }
    static ImageLoadResult Damaged(int line, std::string why) { return {Status::Damaged, std::move(why), line}; }
    static ImageLoadResult NoData(int64_t leftOut) { return {Status::NoData, {}, 0, leftOut}; }
};

// What the user is told about a load of `fileName` into a device of
// `deviceSize` bytes; empty for a file loaded whole without overlaps.
std::string DescribeImageLoad(const ImageLoadResult& result, std::string_view fileName, int32_t deviceSize);
