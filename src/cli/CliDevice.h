#pragma once

#include <cstdint>

// The chip vorlane-cli works on. A device choice will pick among several.
struct CliDevice {
    const char* name;
    int32_t size; // flash bytes
};

inline constexpr CliDevice kAt89s53{"AT89S53", 0x3000};
