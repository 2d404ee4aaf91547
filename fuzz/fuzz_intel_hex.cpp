// Any bytes as an Intel HEX file: the reader must stay inside its buffers,
// keep its promises about marks and range, and what we then save must load
// back to the same bytes.
#include "FuzzCheck.h"

#include <ImageFile.h>
#include <IntelHexFormat.h>
#include <IntelHexRecord.h>
#include <SaveRange.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

// The checks themselves add nothing the fuzzer should steer by, and traced
// they would cost more than the reader.
#define FUZZ_UNTRACED __attribute__((no_sanitize("coverage")))

namespace {

// Saves larger than this are narrowed: the round trip is the point, not the size.
constexpr int32_t kSaveWindow = 512;

FUZZ_UNTRACED int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // we write upper case only
}

// Every line we write is a whole data record with a correct checksum, and
// the last one is the end-of-file record.
FUZZ_UNTRACED void CheckWritten(const std::vector<uint8_t>& bytes)
{
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    constexpr std::string_view kEnd = ":00000001FF\r\n";
    FUZZ_CHECK(text.size() >= kEnd.size() && text.substr(text.size() - kEnd.size()) == kEnd);
    text.remove_suffix(kEnd.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        FUZZ_CHECK(end != std::string_view::npos);
        const std::string_view line = text.substr(pos, end - pos);
        FUZZ_CHECK(line.size() >= 13 && line.size() % 2 == 1 && line[0] == ':');
        unsigned sum = 0;
        for (size_t i = 1; i < line.size(); i += 2) {
            const int high = HexDigit(line[i]);
            const int low = HexDigit(line[i + 1]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            sum += static_cast<unsigned>(high * 16 + low);
        }
        FUZZ_CHECK((sum & 0xFF) == 0);
        const unsigned count = static_cast<unsigned>(HexDigit(line[1]) * 16 + HexDigit(line[2]));
        FUZZ_CHECK(count >= 1 && count <= 16 && line.size() == 11u + 2u * count);
        FUZZ_CHECK(line.substr(7, 2) == "00");
        pos = end + 2;
    }
}

FUZZ_UNTRACED void CheckLoaded(const DeviceImage& image, const DeviceImage& before, const ImageLoadResult& result,
                               const ImageCoverage& covered)
{
    if (!result.loaded()) {
        // Refused, damaged or without data: the image exactly as it was.
        FUZZ_CHECK(image.buffer == before.buffer && image.marks == before.marks);
        FUZZ_CHECK(image.dataStart == before.dataStart && image.dataEnd == before.dataEnd);
        FUZZ_CHECK(result.status != ImageLoadResult::Status::Damaged || result.line > 0);
        FUZZ_CHECK(covered.none());
        return;
    }
    const int32_t device = image.deviceSize;
    // Exactly the bytes that changed are marked, and only covered ones can.
    for (int a = 0; a < device; ++a) {
        FUZZ_CHECK(image.marks[a] == (image.buffer[a] == before.buffer[a] ? MarkNone : MarkChanged));
        FUZZ_CHECK(covered.test(static_cast<size_t>(a)) || image.buffer[a] == before.buffer[a]);
    }
    for (int a = device; a < kImageCapacity; ++a)
        FUZZ_CHECK(image.buffer[a] == 0xFF && image.marks[a] == MarkNone && !covered.test(static_cast<size_t>(a)));
    FUZZ_CHECK(image.chipCache == before.chipCache);
    // Only what was loaded widens the range, both ends included, and it lies
    // inside the device; its ends are bytes the file gave.
    FUZZ_CHECK(image.dataStart >= 0 && image.dataStart <= image.dataEnd && image.dataEnd < device);
    FUZZ_CHECK(covered.test(static_cast<size_t>(image.dataStart)) && covered.test(static_cast<size_t>(image.dataEnd)));
    FUZZ_CHECK(result.leftOut >= 0);
    FUZZ_CHECK((result.overlapping == 0) == (result.firstOverlap < 0));
    FUZZ_CHECK(result.firstOverlap < 0 || covered.test(static_cast<size_t>(result.firstOverlap)));
}

// Saves start..finish of image, loads the file into a fresh image and
// expects the same bytes there.
void RoundTrip(DeviceImage& image, const DeviceImage& fresh, DeviceImage& copy, int32_t start, int32_t finish)
{
    const SaveRange range = ClampSaveRange(start, finish, image.deviceSize);
    if (range.finish - range.start > kSaveWindow) {
        start = range.start;
        finish = range.start + kSaveWindow;
    }
    const auto file = StoreImageFile(image, ImageFileKind::IntelHex, start, finish);
    CheckWritten(file);
    const SaveRange saved = ClampSaveRange(start, finish, image.deviceSize);
    if (saved.start > saved.finish)
        return;

    copy = fresh;
    const ImageLoadResult again = LoadIntelHex(copy, file);
    FUZZ_CHECK(again.complete() && again.overlapping == 0);
    FUZZ_CHECK(copy.dataStart == saved.start && copy.dataEnd == saved.finish);
    FUZZ_CHECK(std::memcmp(copy.buffer.data() + saved.start, image.buffer.data() + saved.start,
                           static_cast<size_t>(saved.finish + 1 - saved.start)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const auto fresh = std::make_unique<DeviceImage>();
    static const auto image = std::make_unique<DeviceImage>();
    static const auto copy = std::make_unique<DeviceImage>();
    *image = *fresh;

    static ImageCoverage covered;
    const ImageLoadResult result = LoadImageFile(*image, ImageFileKind::IntelHex, {data, size}, &covered);
    CheckLoaded(*image, *fresh, result, covered);
    if (!result.loaded())
        return 0;

    // Around what was loaded, and over a range taken from the input, which
    // may lie anywhere or outside the device.
    RoundTrip(*image, *fresh, *copy, image->dataStart, image->dataEnd);
    if (size >= 8) {
        int32_t start;
        int32_t finish;
        RangeFromInput(data, start, finish);
        RoundTrip(*image, *fresh, *copy, start, finish);
    }
    return 0;
}
