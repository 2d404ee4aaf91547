#include "IntelHexFormat.h"

#include "DeviceBytes.h"
#include "IntelHexRecord.h"
#include "SaveRange.h"

#include <algorithm>
#include <memory>
#include <string_view>

namespace {

constexpr uint8_t kDataRecord = 0;
constexpr uint8_t kEndRecord = 1;
constexpr uint8_t kSegmentRecord = 2;
constexpr uint8_t kLinearRecord = 4;
constexpr char kEndOfFile[] = ":00000001FF\r\n";

bool IsLineEnd(uint8_t c)
{
    return c == '\r' || c == '\n';
}

void AppendHexByte(std::vector<uint8_t>& out, unsigned value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.push_back(static_cast<uint8_t>(kDigits[(value >> 4) & 0xF]));
    out.push_back(static_cast<uint8_t>(kDigits[value & 0xF]));
}

// The image as the file would leave it, built aside so that a damaged line
// found late leaves the document untouched.
struct Staged {
    std::array<uint8_t, kImageCapacity> buffer;
    std::array<uint8_t, kImageCapacity> marks;
    ImageCoverage covered;
    int32_t start = 0xFFFF;
    int32_t end = 0;
    int64_t loaded = 0;
    int64_t leftOut = 0;
};

} // namespace

ImageLoadResult LoadIntelHex(DeviceImage& image, std::span<const uint8_t> file, ImageCoverage* covered)
{
    if (covered)
        covered->reset();
    if (static_cast<uint64_t>(file.size()) > static_cast<uint64_t>(kIntelHexMaxLength))
        return ImageLoadResult::Refused(kIntelHexTooLargeMessage);
    const int32_t deviceBytes = DeviceBytes(image);
    const auto staged = std::make_unique<Staged>();
    staged->buffer = image.buffer;
    staged->marks.fill(MarkNone);

    // We apply no address offset, so bytes under a non-zero base would land at
    // the wrong address: they are left out rather than loaded low.
    bool offsetBase = false;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < file.size()) {
        size_t end = pos;
        while (end < file.size() && !IsLineEnd(file[end]))
            ++end;
        const std::string_view text(reinterpret_cast<const char*>(file.data()) + pos, end - pos);
        ++lineNumber;
        // CR LF is one line end; a lone CR or LF is one too.
        pos = end + 1;
        if (end < file.size() && file[end] == '\r' && pos < file.size() && file[pos] == '\n')
            ++pos;

        const IntelHexLine line = ParseIntelHexLine(text);
        if (line.kind == IntelHexLine::Kind::NotRecord)
            continue;
        if (line.kind == IntelHexLine::Kind::Damaged)
            return ImageLoadResult::Damaged(lineNumber, line.problem);
        const IntelHexRecord& record = line.record;

        if (record.type == kSegmentRecord || record.type == kLinearRecord) {
            offsetBase = std::any_of(record.data.begin(), record.data.begin() + record.count,
                                     [](uint8_t b) { return b != 0; });
        } else if (record.type == kDataRecord || record.type == kEndRecord) {
            const int32_t address = record.address;
            const int32_t count = record.count;
            if (offsetBase || address + count > deviceBytes) {
                staged->leftOut += count;
            } else {
                for (int32_t i = 0; i < count; ++i) {
                    const uint8_t value = record.data[static_cast<size_t>(i)];
                    const auto a = static_cast<size_t>(address + i);
                    staged->covered.set(a);
                    if (staged->buffer[a] != value) {
                        staged->buffer[a] = value;
                        staged->marks[a] = MarkChanged;
                    }
                }
                staged->loaded += count;
                if (record.type == kDataRecord) {
                    staged->start = std::min(staged->start, address);
                    staged->end = std::max(staged->end, address + count);
                }
            }
        }
        if (record.type == kEndRecord || record.count == 0)
            break;
    }
    if (staged->loaded == 0 || staged->start >= staged->end)
        return ImageLoadResult::NoData(staged->leftOut);

    std::copy_n(staged->buffer.begin(), deviceBytes, image.buffer.begin());
    std::copy_n(staged->marks.begin(), deviceBytes, image.marks.begin());
    image.clearSpare();
    image.dataStart = staged->start;
    image.dataEnd = staged->end;
    if (covered)
        *covered = staged->covered;
    return ImageLoadResult::Loaded(staged->leftOut);
}

std::vector<uint8_t> StoreIntelHex(const DeviceImage& image, int32_t start, int32_t finish)
{
    const SaveRange range = ClampSaveRange(start, finish, image.deviceSize);
    std::vector<uint8_t> out;
    if (range.start <= range.finish)
        out.reserve(static_cast<size_t>((range.finish - range.start) / 16 + 2) * 45);

    for (int32_t r = range.start; r <= range.finish; r += 16) {
        const int32_t n = std::min(16, range.finish - r + 1);
        unsigned sum = static_cast<unsigned>(n) + static_cast<unsigned>(r >> 8) + static_cast<unsigned>(r & 0xFF);
        out.push_back(':');
        AppendHexByte(out, static_cast<unsigned>(n));
        AppendHexByte(out, static_cast<unsigned>(r >> 8));
        AppendHexByte(out, static_cast<unsigned>(r & 0xFF));
        AppendHexByte(out, kDataRecord);
        for (int32_t i = 0; i < n; ++i) {
            const uint8_t value = image.buffer[static_cast<size_t>(r + i)];
            sum += value;
            AppendHexByte(out, value);
        }
        AppendHexByte(out, (0u - sum) & 0xFF);
        out.push_back('\r');
        out.push_back('\n');
    }
    out.insert(out.end(), kEndOfFile, kEndOfFile + sizeof kEndOfFile - 1);
    return out;
}
