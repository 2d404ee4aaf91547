#pragma once

#include <array>
#include <cstdint>

struct ProgrammerSettings;

// The cable's data bytes around a job, and how long each stands, as every
// bit-clocking link sends them: the line driver at the port's pace, an FTDI
// cable a buffer at a time. holdUs 0 with hold false: the last byte, left
// standing with no wait after it.
struct CableStep {
    uint8_t data = 0;
    uint32_t holdUs = 0;
    bool hold = true;
};

// Lines at rest, then reset moved away from rest for 1 ms and back, so the
// chip sees a fresh RST rising edge and starts counting bits; then the
// settings' reset time for the chip to settle.
std::array<CableStep, 3> ResetPulse(const ProgrammerSettings& settings);
// Rest, MOSI away from rest, then reset released (with the lines the state
// options force high) and at last every line high.
std::array<CableStep, 4> ReleaseSteps(const ProgrammerSettings& settings);
