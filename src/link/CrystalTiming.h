#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct ProgrammerSettings;

// The AT89S51/52 run their serial programming interface on the crystal of the
// board they sit on. Their datasheets (AT89S51 2487D, AT89S52 1919D, "Serial
// Programming Characteristics", for crystals of 3 to 33 MHz) ask each SCK
// phase to last at least 8 crystal periods (tSHSL, tSLSH: SCK below 1/16 of
// the crystal) and give a byte write cycle of tSWC = 64 crystal periods +
// 400 us. Both are longest at the slowest crystal, so a crystal the host
// cannot use counts as 3 MHz: safe on any board, never faster than the chip.
// The chip erase, tERASE = 500 ms, does not depend on the crystal.
class CrystalTiming {
public:
    static constexpr uint32_t kSlowestHz = 3'000'000;
    static constexpr uint32_t kFastestHz = 33'000'000;

    // The crystal in Hz as stored; outside 3 to 33 MHz it counts as 3 MHz.
    explicit CrystalTiming(uint32_t crystalHz);

    static bool InRange(uint32_t crystalHz) { return crystalHz >= kSlowestHz && crystalHz <= kFastestHz; }
    // "12MHz", "11.0592MHz", "12000kHz" or "12000000" (Hz), within 3 to 33 MHz.
    static std::optional<uint32_t> Parse(const std::string& text);

    uint32_t hz() const { return hz_; }
    // 8 crystal periods, rounded up to the nanosecond.
    uint32_t shortestPhaseNs() const;
    // 64 crystal periods + 400 us, rounded up to the microsecond.
    uint32_t byteWriteUs() const;
    // "3 MHz", "11.0592 MHz".
    std::string text() const;

private:
    uint32_t hz_;
};

// The shortest SCK phase the selected chip's own instructions take, in
// nanoseconds: the AT89S51/52's from the settings' crystal; 0 for the
// AT89S53, whose phases are the settings alone. (The line driver takes it
// from the instructions in use, which a probe may make the other family's.)
uint32_t ShortestPhaseNs(const ProgrammerSettings& settings);
