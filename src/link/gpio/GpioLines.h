#pragma once

#include <cstdint>
#include <string>

// Which lines of a GPIO chip reach the target, by their offsets on the chip
// (on a Raspberry Pi, the BCM numbers). The defaults are the Pi header's SPI0
// pins for SCK, MOSI and MISO, and GPIO17 for RST.
struct GpioLines {
    std::string chip = "/dev/gpiochip0";
    uint32_t rst = 17;
    uint32_t sck = 11;
    uint32_t mosi = 10;
    uint32_t miso = 9;
    // RST driven through an inverting stage (a transistor to ground): the
    // line is low while RST is high.
    bool rstActiveLow = false;

    bool operator==(const GpioLines&) const = default;
};
