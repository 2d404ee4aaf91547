// The address field against the C library's "%X" on the same text, wherever
// the two are meant to agree: up to 32 bits. A number that needs more is out
// of range for us, where the library wraps (and past sixteen digits
// saturates, so such runs are left out).
#include "FuzzCheck.h"

#include <HexField.h>

#include <cctype>
#include <cstdio>
#include <string>

namespace {

bool LongDigitRun(const std::string& text)
{
    size_t run = 0;
    for (const char c : text) {
        run = std::isxdigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
        if (run > 16)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<int32_t> value = ParseHexField(text);
    if (value)
        FUZZ_CHECK(ParseHexField(FormatHexField(*value)) == value);

    // The library sees a C string: the field's first 255 characters up to a
    // NUL, where our reader stops as well.
    std::string field(text.substr(0, 255));
    field = field.c_str();
    if (LongDigitRun(field))
        return 0;
    unsigned long long wide = 0;
    const int converted = std::sscanf(field.c_str(), "%llX", &wide);
    if (converted != 1) {
        FUZZ_CHECK(!value);
        return 0;
    }
    const size_t first = field.find_first_not_of(" \t\n\v\f\r");
    const bool negative = first != std::string::npos && field[first] == '-';
    const unsigned long long magnitude = negative ? 0ull - wide : wide;
    if (magnitude > 0xFFFFFFFFull) {
        FUZZ_CHECK(value == kHexFieldOutOfRange);
    } else {
        FUZZ_CHECK(value && static_cast<uint32_t>(*value) == static_cast<uint32_t>(wide));
    }
    return 0;
}
