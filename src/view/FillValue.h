#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The Fill window's value: "$" and a hex number, "'" and a character (no
// closing quote needed; "'" alone is 0), or a signed decimal number. The
// byte is the number's low 8 bits. nullopt when the text holds no value in
// its notation: empty, "$" without hex digits, no decimal digits, or a
// character beyond Latin-1, which has no 8-bit code.
std::optional<uint8_t> ParseFillValue(const QString& text);
