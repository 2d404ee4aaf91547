#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// One Intel HEX line as read: ":" count address type data. The checksum is
// not read, so neither its presence nor its value matters.
struct IntelHexRecord {
    uint8_t count = 0;
    uint16_t address = 0;
    uint8_t type = 0;
    std::array<uint8_t, 255> data{};
};

// The record on one line (without its line end), or nullopt when the line is
// not one: blank, no ':' after optional blanks, a character that is not a
// hex digit, or fewer data digits than the count asks for. Hex digits of
// either case. Never reads outside the line.
std::optional<IntelHexRecord> ParseIntelHexRecord(std::string_view line);
