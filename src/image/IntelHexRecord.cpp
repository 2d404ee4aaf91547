#include "IntelHexRecord.h"
#include "HexDigit.h"

#include <cstdio>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

IntelHexLine Damaged(std::string problem)
{
    IntelHexLine line;
    line.kind = IntelHexLine::Kind::Damaged;
    line.problem = std::move(problem);
    return line;
}

std::string HexByteText(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

std::string CharacterText(char c)
{
    if (c >= 0x20 && c <= 0x7E)
        return std::string("'") + c + "'";
    return "byte 0x" + HexByteText(static_cast<unsigned char>(c));
}

std::string Bytes(unsigned n)
{
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

unsigned ByteAt(std::string_view digits, size_t index)
{
    return static_cast<unsigned>(HexDigit(digits[2 * index]) * 16 + HexDigit(digits[2 * index + 1]));
}

} // namespace

IntelHexLine ParseIntelHexLine(std::string_view line)
{
    size_t pos = 0;
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != ':')
        return {};
    std::string_view digits = line.substr(pos + 1);
    while (!digits.empty() && IsBlank(digits.back()))
        digits.remove_suffix(1);
    for (char c : digits) {
        if (c == '\0')
            return Damaged("a NUL byte");
        if (HexDigit(c) < 0)
            return Damaged(CharacterText(c) + " is not a hex digit");
    }
    // count, address (2), type, checksum: five bytes besides the data.
    if (digits.size() < 10)
        return Damaged("only " + std::to_string(digits.size()) + " digits, too few for a record");
    const unsigned count = ByteAt(digits, 0);
    const size_t expected = 10 + 2 * static_cast<size_t>(count);
    if (digits.size() != expected)
        return Damaged(std::to_string(digits.size()) + " digits where its count of " + Bytes(count) + " needs " +
                       std::to_string(expected));
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < expected / 2; ++i)
        sum += ByteAt(digits, i);
    const unsigned checksum = ByteAt(digits, expected / 2 - 1);
    const unsigned needed = (0u - sum) & 0xFF;
    if (checksum != needed)
        return Damaged("checksum " + HexByteText(checksum) + " where the record needs " + HexByteText(needed));

    const unsigned type = ByteAt(digits, 3);
    if (type > kLastRecordType)
        return Damaged("record type " + HexByteText(type) + ", which Intel HEX does not define (00 to 05)");
    // A base address is one 16-bit word; any other length would put the
    // records after it somewhere nobody meant.
    if ((type == kSegmentAddressRecord || type == kLinearAddressRecord) && count != 2)
        return Damaged("an extended address record of " + Bytes(count) + ", where it holds 2");

    IntelHexLine result;
    result.kind = IntelHexLine::Kind::Record;
    IntelHexRecord& r = result.record;
    r.count = static_cast<uint8_t>(count);
    r.address = static_cast<uint16_t>(ByteAt(digits, 1) * 256 + ByteAt(digits, 2));
    r.type = static_cast<uint8_t>(type);
    for (unsigned i = 0; i < count; ++i)
        r.data[i] = static_cast<uint8_t>(ByteAt(digits, 4 + i));
    return result;
}
