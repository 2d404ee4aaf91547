#pragma once

#include <cstdint>
#include <string>

// "0x378"
std::string HexAddress(uint16_t value);

// The status bar text when no port could be had: what failed, then what to do.
std::string NoPortText(uint16_t base, const std::string& why);

// "Permission denied (errno 13)" with the advice that fits that errno.
std::string ErrnoText(int error);
