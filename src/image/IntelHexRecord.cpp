#include "IntelHexRecord.h"
#include "HexDigit.h"

namespace {

// Two hex digits at pos, or -1 when the line ends or a digit is not hex.
int HexByte(std::string_view line, size_t pos)
{
    if (pos + 2 > line.size())
        return -1;
    const int high = HexDigit(line[pos]);
    const int low = HexDigit(line[pos + 1]);
    if (high < 0 || low < 0)
        return -1;
    return high * 16 + low;
}

} // namespace

std::optional<IntelHexRecord> ParseIntelHexRecord(std::string_view line)
{
    size_t pos = 0;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos >= line.size() || line[pos] != ':')
        return std::nullopt;
    ++pos;

    const int count = HexByte(line, pos);
    const int addressHigh = HexByte(line, pos + 2);
    const int addressLow = HexByte(line, pos + 4);
    const int type = HexByte(line, pos + 6);
    if (count < 0 || addressHigh < 0 || addressLow < 0 || type < 0)
        return std::nullopt;
    pos += 8;

    IntelHexRecord record;
    record.count = static_cast<uint8_t>(count);
    record.address = static_cast<uint16_t>(addressHigh * 256 + addressLow);
    record.type = static_cast<uint8_t>(type);
    for (int i = 0; i < count; ++i, pos += 2) {
        const int value = HexByte(line, pos);
        if (value < 0)
            return std::nullopt;
        record.data[static_cast<size_t>(i)] = static_cast<uint8_t>(value);
    }
    return record;
}
