#pragma once

#include <cstdint>

struct ProgrammerSettings;

// The chip's pins as a cable's data byte sets them, for links that reach the
// pins by other lines than the parallel port's (GPIO, an FTDI cable): they
// take the line driver's bytes as they are, so that the driver, its waits and
// its trace stay the same on every bit-clocking link.
struct CableLevels {
    bool rst = false;
    bool sck = false;
    bool mosi = false;
};

// RST is high (the chip in programming) while the reset bit is at its rest
// level in the settings, whatever inverter the parallel-port cable has: the
// driver rests there through a job and moves away from it to release the chip.
CableLevels LevelsFromData(uint8_t data, const ProgrammerSettings& settings);

// The status byte the parallel-port cable reads with MISO at `miso`: MISO on
// BUSY, which the port inverts in bit 7; the other inputs idle high.
uint8_t StatusFromMiso(bool miso);
