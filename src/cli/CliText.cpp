#include "CliText.h"

#include <cstdio>
#include <cstring>
#include <langinfo.h>

std::string CountText(int64_t n)
{
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), 1, ',');
    return n < 0 ? "-" + digits : digits;
}

std::string BytesText(int64_t n)
{
    return CountText(n) + (n == 1 ? " byte" : " bytes");
}

std::string ByteText(int value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value) & 0xFF);
    return text;
}

std::string AddressText(int32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(address));
    return text;
}

std::string SpanText(int32_t first, int32_t last)
{
    // A terminal that is not UTF-8 would show the en dash as garbage.
    const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    return AddressText(first) + (utf8 ? "\u2013" : "-") + AddressText(last);
}

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds < 0 ? 0.0 : seconds);
    return text;
}
