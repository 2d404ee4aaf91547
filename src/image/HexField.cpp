#include "HexField.h"
#include "HexDigit.h"

#include <charconv>

namespace {

constexpr size_t kFieldChars = 255;

// White space of the C locale, which is what "%X" skips.
bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

std::optional<int32_t> ParseHexField(std::string_view text)
{
    text = text.substr(0, kFieldChars);
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // "0x" counts as a prefix only before a digit; "0xg" reads as 0.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')
        && HexDigit(text[i + 2]) >= 0)
        i += 2;

    uint64_t value = 0;
    bool anyDigit = false;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0)
            break;
        value = value * 16u + static_cast<uint32_t>(digit);
        overflow = overflow || value > UINT32_MAX;
        value &= UINT32_MAX;
        anyDigit = true;
    }
    if (!anyDigit)
        return std::nullopt;
    // Wrapping would turn 100000000 into address 0: say out of range instead.
    if (overflow)
        return kHexFieldOutOfRange;
    uint32_t low = static_cast<uint32_t>(value);
    if (negative)
        low = 0u - low;
    return static_cast<int32_t>(low);
}

std::string FormatHexField(int32_t value)
{
    char text[8];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<uint32_t>(value), 16);
    return std::string(text, result.ptr);
}
