#pragma once

#include <cstdint>

// Every persisted setting, all zero until the settings store fills it. A
// session reads the record it is handed at every use, so a change takes
// effect with the next job.
struct ProgrammerSettings {
    uint16_t lptBase = 0;
    uint8_t readAfterWrite = 0;
    uint8_t readBeforeWrite = 0;
    uint8_t idleByte = 0;
    uint8_t clockPin = 0;
    uint8_t dataPin = 0;
    uint8_t resetPin = 0;
    uint32_t resetTimeUs = 0;
    uint32_t upTimeUs = 0;
    uint32_t downTimeUs = 0;
    uint32_t writtenTimeUs = 0;
    uint32_t sckState = 0;
    uint32_t dinState = 0;
    uint32_t doutState = 0;
    // Non-zero: after each byte write, poll the byte until the chip reports
    // the write done (Data Polling) instead of always waiting writtenTimeUs.
    uint32_t pollWriteEnd = 0;
    // The chip selected: a DeviceId number (51, 52, 53); 0 before loading,
    // which names the AT89S53 like any unknown number.
    uint32_t device = 0;
    // The AT89S51/52 board's crystal in Hz: their shortest SCK phase and
    // their write cycle follow it (CrystalTiming.h). The AT89S53 ignores it.
    uint32_t crystalHz = 0;
    uint32_t firstRun = 0;

    bool operator==(const ProgrammerSettings&) const = default;
};

// The values used where the store has none.
ProgrammerSettings DefaultProgrammerSettings();

// 1 << bit as 8 bits; a stored pin above 7 names no data line and gives 0.
uint8_t PinMask(uint8_t bit);
