#include "FtdiPins.h"

#include <algorithm>
#include <cctype>

namespace {
// The FT232R's names for its UART pins, which cables print on their wires.
constexpr std::string_view kNames[] = {"TXD", "RXD", "RTS", "CTS", "DTR", "DSR", "DCD", "RI"};

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == y;
           });
}
} // namespace

std::string_view FtdiPinName(uint8_t bit)
{
    return bit < std::size(kNames) ? kNames[bit] : std::string_view("?");
}

std::optional<uint8_t> FtdiPinByName(std::string_view name)
{
    for (uint8_t bit = 0; bit < std::size(kNames); ++bit)
        if (SameLetters(name, kNames[bit]))
            return bit;
    if ((name.size() == 2 && (name[0] == 'D' || name[0] == 'd')) || name.size() == 1) {
        const char digit = name.back();
        if (digit >= '0' && digit <= '7')
            return static_cast<uint8_t>(digit - '0');
    }
    return std::nullopt;
}
