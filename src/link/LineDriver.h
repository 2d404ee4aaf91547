#pragma once

#include <cstdint>
#include <string>

// The parallel port as a three-wire serial master for the AT89S53's
// programming interface: reset, SCK and MOSI on data bits, MISO on BUSY.
// Pins, rest levels and timing come from programmerSettings() at every use.
class LineDriver {
public:
    void WriteData(uint8_t value);
    uint8_t ReadStatus();
    void DelayMicroseconds(uint32_t us);
    void RefreshTimerFrequency();

    void EnterProgramming();
    void LeaveProgramming();
    void ShiftOut(uint8_t value);
    uint8_t ShiftIn();

    // Whether the port of the settings can be had, and if not, why: a job
    // checks it first, so that no port is never taken for a silent target.
    bool PortReady(std::string* why);
    // A port failure since the last call (empty when none): a job that
    // meets one has failed, whatever it read.
    std::string TakePortFault();

    uint8_t clockMask() const { return clockMask_; }
    uint8_t dataMask() const { return dataMask_; }
    int64_t counterFrequency() const { return counterFrequency_; }

private:
    uint8_t clockMask_ = 0;
    uint8_t dataMask_ = 0;
    int64_t counterFrequency_ = 0;
};

// The process-wide driver.
LineDriver& lineDriver();

// Masks and frequency back to 0, as at process start; for tests.
void ResetLineDriverForTesting();
