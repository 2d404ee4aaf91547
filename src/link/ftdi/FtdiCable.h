#pragma once

#include "FtdiTexts.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct ftdi_context;

// One FTDI cable through libftdi1 in synchronous bit-bang or, on an FT232H
// or FT2232H when asked, in MPSSE: found by its serial (or the first of the
// FT232R, FT232H, FT2232H's first interface), opened with the kernel's
// ftdi_sio detached, and let go again. Each call that fails says why in
// *why, as a user can act on it.
class FtdiCable {
public:
    FtdiCable() = default;
    ~FtdiCable();
    FtdiCable(const FtdiCable&) = delete;
    FtdiCable& operator=(const FtdiCable&) = delete;

    // The cable `serial` names (any when empty) as libftdi lists it, without
    // opening it: false, with *why, when there is none.
    static bool Find(const std::string& serial, ftdi::SeenDevice* found, std::string* why);

    // Opened in synchronous bit-bang with `outputs` driven, or in MPSSE
    // when `mpsse` and the cable has it (its pins then set by commands).
    bool open(const std::string& serial, uint8_t outputs, bool mpsse, std::string* why);
    bool isOpen() const { return open_; }
    bool inMpsse() const { return mpsse_; }
    // Whether a product has an MPSSE on its (first) interface.
    static bool HasMpsse(uint16_t product) { return product == 0x6014 || product == 0x6010; }
    const ftdi::SeenDevice& cable() const { return cable_; }
    // Pin bytes a second (FtdiClock's rule).
    bool setRate(int rate, std::string* why);
    // `out` clocked onto the pins, and for each byte the inputs sampled
    // before it took effect into `in` (as long as `out`, at most kChunk).
    bool transfer(std::span<const uint8_t> out, std::span<uint8_t> in, std::string* why)
    {
        return send(out, in, why) && receive(in, why);
    }
    // The two halves: `out` handed to the cable (`in` only serves to tell an
    // unplug), and later the read-back of what went out.
    bool send(std::span<const uint8_t> out, std::span<uint8_t> in, std::string* why);
    bool receive(std::span<uint8_t> in, std::string* why);
    // Back to a serial port, with the modem line on `heldLowBit` (DTR or
    // RTS, if either) asserted so that line stays low, and closed.
    void close(int heldLowBit);

    // What one transfer may hold: the FT232R's receive FIFO (256 bytes; its
    // transmit one takes 128 and refills while the pins run). More before a
    // read would stall the bit-bang clock with the FIFO full.
    static constexpr int kChunk = 256;
    static constexpr int kTransmitFifo = 128;

private:
    std::string error() const;

    ftdi_context* ftdi_ = nullptr;
    bool open_ = false;
    bool mpsse_ = false;
    ftdi::SeenDevice cable_;
};
