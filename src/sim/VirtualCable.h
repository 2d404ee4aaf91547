#pragma once

#include "IspChip.h"
#include "Prng.h"

#include <cstdint>

namespace sim {

// Which data register bit drives which chip pin. A bit above 7 is a line left
// unconnected; the chip then sees that pin low.
struct CableWiring {
    uint8_t resetBit = 0;
    uint8_t clockBit = 1;
    uint8_t dataBit = 2;
    bool resetInverted = true;   // D0 through a 7404 to RST
};

enum class Target { Present, AbsentPulledHigh, AbsentPulledLow };

// The parallel port cable: data register bits to RST/SCK/MOSI, MISO back on
// BUSY. Faults can be switched at any time.
class VirtualCable {
public:
    // Status register with MISO high: nAck, PaperOut, Select, nError and the
    // reserved bits read 1 through their pull-ups; bit 7 is BUSY, inverted by
    // the port, so MISO high reads 0 there.
    static constexpr uint8_t kStatusIdle = 0x7F;
    static constexpr uint8_t kStatusBusyBit = 0x80;

    // Any chip model: the AT89S53 or an AT89S51/52 alike.
    explicit VirtualCable(IspChip& chip, CableWiring wiring = {});

    void writeData(uint8_t value, int64_t nowNs);
    uint8_t readStatus(int64_t nowNs);

    void setWiring(CableWiring wiring) { wiring_ = wiring; }
    const CableWiring& wiring() const { return wiring_; }
    void setTarget(Target target) { target_ = target; }
    Target target() const { return target_; }
    // Each MOSI level the chip sees and each MISO level read back flips with
    // this probability; the seed makes the pattern repeatable.
    void setBitErrors(double probability, uint32_t seed);
    double bitErrorProbability() const { return errorProbability_; }

    uint8_t lastData() const { return data_; }
    IspChip& chip() { return *chip_; }
    // Another chip in the socket; the wiring and the faults stay.
    void plug(IspChip& chip) { chip_ = &chip; }

private:
    bool line(uint8_t bit) const;

    IspChip* chip_;
    CableWiring wiring_;
    Target target_ = Target::Present;
    double errorProbability_ = 0.0;
    Prng errors_;
    uint8_t data_ = 0;
};

} // namespace sim
