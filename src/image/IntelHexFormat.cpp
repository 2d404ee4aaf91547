#include "IntelHexFormat.h"

#include "DeviceBytes.h"
#include "IntelHexRecord.h"
#include "SaveRange.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint8_t kDataRecord = 0;
constexpr uint8_t kEndRecord = 1;
constexpr uint8_t kSegmentRecord = 2;
constexpr uint8_t kLinearRecord = 4;

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

} // namespace

ImageLoadResult LoadIntelHex(DeviceImage& image, std::span<const uint8_t> file)
{
    image.dataStart = 0xFFFF;
    image.dataEnd = 0;
    const int32_t deviceBytes = DeviceBytes(image);

    // We apply no address offset, so bytes under a non-zero base would land at
    // the wrong address: they are left out rather than loaded low.
    bool offsetBase = false;

    size_t pos = 0;
    while (pos < file.size()) {
        // Every CR and LF ends a line; the empty lines between CR and LF do
        // not parse and are skipped like any other non-record.
        size_t end = pos;
        while (end < file.size() && !IsLineEnd(file[end]))
            ++end;
        const std::string_view line(reinterpret_cast<const char*>(file.data()) + pos, end - pos);
        pos = end + 1;

        const std::optional<IntelHexRecord> record = ParseIntelHexRecord(line);
        if (!record)
            continue;

        if (record->type == kSegmentRecord || record->type == kLinearRecord) {
            offsetBase = std::any_of(record->data.begin(), record->data.begin() + record->count,
                                     [](uint8_t b) { return b != 0; });
        } else if (!offsetBase && (record->type == kDataRecord || record->type == kEndRecord)) {
            const int32_t address = record->address;
            const int32_t count = record->count;
            if (address + count <= deviceBytes) {
                for (int32_t i = 0; i < count; ++i) {
                    const uint8_t value = record->data[static_cast<size_t>(i)];
                    if (image.buffer[static_cast<size_t>(address + i)] != value) {
                        image.buffer[static_cast<size_t>(address + i)] = value;
                        image.marks[static_cast<size_t>(address + i)] = MarkChanged;
                    }
                }
            }
            if (record->type == kDataRecord) {
                image.dataStart = std::min(image.dataStart, address);
                image.dataEnd = std::max(image.dataEnd, address + count);
            }
        }

        if (record->type == kEndRecord || record->count == 0)
            break;
    }
    return ImageLoadResult::Loaded();
}

std::vector<uint8_t> StoreIntelHex(const DeviceImage& image, int32_t start, int32_t finish)
{
    const SaveRange range = ClampSaveRange(start, finish, image.deviceSize);
    std::vector<uint8_t> out;
    if (range.start < range.finish)
        out.reserve(static_cast<size_t>((range.finish - range.start) / 16 + 1) * 45);

    for (int32_t r = range.start; r < range.finish; r += 16) {
        int32_t n = 0;
        while (n < 16 && r + n <= range.finish)
            ++n;

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
    return out;
}
