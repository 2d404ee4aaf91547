#include "IntelHexFormat.h"

#include "DeviceBytes.h"
#include "IntelHexRecord.h"
#include "SaveRange.h"

#include <algorithm>
#include <memory>
#include <string_view>

namespace {

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
    ImageCoverage covered;
    // The lowest and highest address a data record filled.
    int32_t first = kImageCapacity;
    int32_t last = -1;
    int64_t leftOut = 0;
    int64_t overlapping = 0;
    int32_t firstOverlap = -1;
};

// Where the offsets of the records that follow count from: an extended
// segment address (type 02) gives a base of 16 times its value, and the
// offset then wraps within its 64 KB; an extended linear address (type 04)
// gives the upper 16 bits, and the offset does not wrap.
struct AddressBase {
    int64_t base = 0;
    bool segmented = false;

    int64_t of(uint16_t offset, int i) const
    {
        const int64_t within = int64_t{offset} + i;
        return base + (segmented ? within & 0xFFFF : within);
    }
};

void Place(Staged& staged, const IntelHexRecord& record, const AddressBase& at, int32_t deviceBytes)
{
    for (int i = 0; i < record.count; ++i) {
        const int64_t address = at.of(record.address, i);
        if (address >= deviceBytes) {
            ++staged.leftOut;
            continue;
        }
        const auto a = static_cast<int32_t>(address);
        if (staged.covered.test(static_cast<size_t>(a)) && staged.overlapping++ == 0)
            staged.firstOverlap = a;
        staged.covered.set(static_cast<size_t>(a));
        staged.buffer[static_cast<size_t>(a)] = record.data[static_cast<size_t>(i)];
        if (record.type == kDataRecord) {
            staged.first = std::min(staged.first, a);
            staged.last = std::max(staged.last, a);
        }
    }
}

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

    AddressBase at;
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
        const int64_t word = record.data[0] * 256 + record.data[1];
        switch (record.type) {
        case kSegmentAddressRecord:
            at = {word * 16, true};
            break;
        case kLinearAddressRecord:
            at = {word << 16, false};
            break;
        case kDataRecord:
        case kEndRecord:
            Place(*staged, record, at, deviceBytes);
            break;
        default: // start addresses: nothing for the chip's flash
            break;
        }
        if (record.type == kEndRecord)
            break;
    }
    if (staged->first > staged->last)
        return ImageLoadResult::NoData(staged->leftOut);

    // Marked by what the image held before, not by the record before: a
    // byte given twice, the second time as it was, has not changed.
    for (int32_t a = 0; a < deviceBytes; ++a)
        image.marks[a] = staged->buffer[a] != image.buffer[a] ? MarkChanged : MarkNone;
    std::copy_n(staged->buffer.begin(), deviceBytes, image.buffer.begin());
    image.clearSpare();
    image.dataStart = staged->first;
    image.dataEnd = staged->last;
    if (covered)
        *covered = staged->covered;
    ImageLoadResult result = ImageLoadResult::Loaded(staged->leftOut);
    result.overlapping = staged->overlapping;
    result.firstOverlap = staged->firstOverlap;
    return result;
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
