#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A broken promise of the code under test is a finding like a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// A save range taken from the first eight input bytes; half the time folded
// near the device, so that ranges inside it are tried as often as wild ones.
inline void RangeFromInput(const uint8_t* data, int32_t& start, int32_t& finish)
{
    std::memcpy(&start, data, 4);
    std::memcpy(&finish, data + 4, 4);
    if (data[0] & 1)
        start %= 0x4000;
    if (data[4] & 1)
        finish %= 0x4000;
}
