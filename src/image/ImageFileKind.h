#pragma once

#include <cstdint>
#include <span>
#include <string_view>

enum class ImageFileKind {
    Binary,
    IntelHex,
};

// The window's rule, by the name alone: a name containing ".HEX" or ".IHX"
// in any case is Intel HEX, any other is binary. A directory part (up to the
// last '/') is ignored, so "code.hex/app.bin" is binary.
ImageFileKind ImageFileKindOf(std::string_view fileName);

// A file to make, or a name to fall back on: Intel HEX when the name's last suffix is .hex or .ihx in
// any case, any other name binary ("dump.hex.bin" is binary).
ImageFileKind ImageFileKindOfSuffix(std::string_view fileName);

// True when the bytes begin, after blanks and line ends, with ':' and a hex
// digit: Intel HEX records, sound or damaged. A binary image starting so is
// not a program any 8051 would run from address 0.
bool HoldsIntelHexRecords(std::span<const uint8_t> content);

// A file to read: Intel HEX when it holds Intel HEX records or its last
// suffix says so (a .hex file holding something else is then refused by the
// loader, never written as binary), else binary.
ImageFileKind ImageFileKindOfInput(std::string_view fileName, std::span<const uint8_t> content);
