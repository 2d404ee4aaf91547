#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The record types Intel HEX defines: data, end of file, extended segment
// address, start segment address, extended linear address, start linear
// address.
inline constexpr uint8_t kDataRecord = 0;
inline constexpr uint8_t kEndRecord = 1;
inline constexpr uint8_t kSegmentAddressRecord = 2;
inline constexpr uint8_t kLinearAddressRecord = 4;
inline constexpr uint8_t kLastRecordType = 5;

// One Intel HEX record: ":" count address type data checksum.
struct IntelHexRecord {
    uint8_t count = 0;
    uint16_t address = 0;
    uint8_t type = 0;
    std::array<uint8_t, 255> data{};
};

// One line of an Intel HEX file (without its line end), as read.
struct IntelHexLine {
    enum class Kind {
        NotRecord, // blank, or text without a leading ':': skipped
        Record,
        Damaged,   // meant as a record but broken; `problem` says how
    };
    Kind kind = Kind::NotRecord;
    IntelHexRecord record;
    std::string problem;
};

// A line is a record when its first character after blanks is ':'. Every
// character after the ':' must then be a hex digit of either case (blanks
// may trail), the digits must be exactly as many as the count says, and the
// checksum must make all the record's bytes add up to zero. A type the
// format does not define, or an extended address record that is not one
// 16-bit word, is damage too. Never reads outside the line.
IntelHexLine ParseIntelHexLine(std::string_view line);
