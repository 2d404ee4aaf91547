#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Address fields of every window read and show addresses as hexadecimal.

// Reads the field like "%X" into a signed 32-bit value: of the first 255
// characters, leading white space is skipped, then an optional sign, an
// optional 0x or 0X before a hex digit, and hex digits of either case up to
// the first other character. Text of 80000000 and above reads as negative,
// "-1" as -1. A number that needs more than 32 bits ("100000000") reads as
// kHexFieldOutOfRange, which every address field takes as out of range.
// nullopt when no hex digit is found (empty, blank, "x", "-").
std::optional<int32_t> ParseHexField(std::string_view text);

inline constexpr int32_t kHexFieldOutOfRange = INT32_MIN;

// Lower-case hex without prefix or leading zeros; negative values show their
// 32-bit pattern ("ffffffff").
std::string FormatHexField(int32_t value);
