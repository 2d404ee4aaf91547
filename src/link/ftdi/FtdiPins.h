#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Which of an FTDI chip's bit-bang pins reach the target, by their bit in the
// pin byte (FT232R: D0 TXD, D1 RXD, D2 RTS, D3 CTS, D4 DTR, D5 DSR, D6 DCD,
// D7 RI), and which cable: the one with this serial number, or the first.
struct FtdiPins {
    std::string serial;
    uint8_t rst = 4;  // DTR
    uint8_t sck = 0;  // TXD
    uint8_t mosi = 1; // RXD
    uint8_t miso = 3; // CTS

    bool operator==(const FtdiPins&) const = default;
};

// "DTR" for bit 4; "D5" style names are also read back.
std::string_view FtdiPinName(uint8_t bit);
// The bit a pin name gives ("CTS", "cts", "D3" or "3"); none for others.
std::optional<uint8_t> FtdiPinByName(std::string_view name);
