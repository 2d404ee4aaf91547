#pragma once

#include <VirtualCable.h>

#include <cstdint>

// Speaks the serial programming protocol by writing raw data register bytes
// to a cable, on a virtual clock, the way a host would.
class BitBanger {
public:
    explicit BitBanger(sim::VirtualCable& cable, sim::CableWiring wiring = {});

    int64_t now() const { return now_; }
    void advance(int64_t ns) { now_ += ns; }
    void setHalfPeriodNs(int64_t ns) { lowNs_ = highNs_ = ns; }
    void setPhasesNs(int64_t lowNs, int64_t highNs) { lowNs_ = lowNs; highNs_ = highNs; }
    // Data bits set in every write besides the three lines.
    void setOtherBits(uint8_t bits) { other_ = bits; }
    // Time from RST's rise in resetHigh() to the next clock's SCK rise.
    void setSettleNs(int64_t ns) { settleNs_ = ns; }
    // How long `bytes` bytes take on the wire, first write to last SCK fall.
    int64_t frameNs(int bytes) const { return bytes * 8 * (lowNs_ + highNs_); }

    uint8_t encode(bool rst, bool sck, bool mosi) const;
    void put(bool rst, bool sck, bool mosi);
    void resetHigh();
    void resetLow();
    bool readMiso();
    void clock(bool bit);
    uint8_t shiftByte(uint8_t out);
    uint8_t transfer(uint8_t b1, uint8_t b2, uint8_t b3);

    static uint8_t addressByte(int address, bool write);
    void enable();
    uint8_t read(int address);
    void write(int address, uint8_t value);
    void erase();
    void writeLock(uint8_t byte2);

private:
    sim::VirtualCable& cable_;
    sim::CableWiring wiring_;
    int64_t now_ = 1'000'000;
    int64_t lowNs_ = 2'000;
    int64_t highNs_ = 2'000;
    int64_t settleNs_ = 10'000'000;
    uint8_t other_ = 0;
    bool rst_ = false;
    bool mosi_ = false;
};
