#pragma once

#include <cstdint>
#include <string>

// The pieces of vorlane-cli's messages, one spelling everywhere.

// 12288 -> "12,288".
std::string CountText(int64_t n);
// "1 byte", "12,288 bytes".
std::string BytesText(int64_t n);
// "5A".
std::string ByteText(int value);
// "0x01AF".
std::string AddressText(int32_t address);
// "0x0000–0x2FFF" (an en dash where the locale speaks UTF-8, else "-").
std::string SpanText(int32_t first, int32_t last);
// "14.9 s".
std::string SecondsText(double seconds);
