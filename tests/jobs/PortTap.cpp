#include "PortTap.h"

#include <algorithm>

namespace {
constexpr int kClock = 0x02;
constexpr int kData = 0x04;
}

bool PortTap::shiftOutAt(std::size_t i, int& byte) const
{
    // Eight (data, data + SCK) pairs, then the idle byte.
    if (i + 17 > events.size())
        return false;
    byte = 0;
    for (std::size_t k = 0; k < 8; ++k) {
        const int down = events[i + 2 * k];
        if ((down != 0 && down != kData) || events[i + 2 * k + 1] != (down | kClock))
            return false;
        byte = (byte << 1) | (down == kData ? 1 : 0);
    }
    return events[i + 16] == 0;
}

bool PortTap::shiftInAt(std::size_t i) const
{
    // Eight (SCK, status read, idle) steps.
    if (i + 24 > events.size())
        return false;
    for (std::size_t k = 0; k < 8; ++k)
        if (events[i + 3 * k] != kClock || events[i + 3 * k + 1] != kStatusRead || events[i + 3 * k + 2] != 0)
            return false;
    return true;
}

std::vector<std::array<int, 3>> PortTap::instructions() const
{
    std::vector<std::array<int, 3>> out;
    std::array<int, 3> frame{};
    std::size_t filled = 0;
    for (std::size_t i = 0; i < events.size();) {
        int byte = 0;
        if (shiftOutAt(i, byte)) {
            i += 17;
        } else if (shiftInAt(i)) {
            byte = kShiftIn;
            i += 24;
        } else {
            filled = 0; // a reset pulse or a release step
            ++i;
            continue;
        }
        frame[filled++] = byte;
        if (filled == 3) {
            out.push_back(frame);
            filled = 0;
        }
    }
    return out;
}

int PortTap::count(const std::array<int, 3>& instruction) const
{
    const auto all = instructions();
    return static_cast<int>(std::count(all.begin(), all.end(), instruction));
}

int PortTap::releases() const
{
    return static_cast<int>(std::count(events.begin(), events.end(), 0xFF));
}
