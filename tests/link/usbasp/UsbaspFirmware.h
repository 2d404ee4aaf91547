#pragma once

#include <IspChip.h>

#include <array>
#include <cstdint>
#include <span>

namespace usbmodel {

// Where the USBasp's ISP plug goes: the chip (none: an empty socket, MISO
// held high by its pull-up) and whether RST passes an inverter, as people
// who keep the stock firmware wire it. A released RST is pulled low by the
// board's reset circuit, so the chip runs.
struct Board {
    sim::IspChip* chip = nullptr;
    bool rstInverted = false;
};

// The USBasp's firmware as its public source has it, on an ATmega8 at
// 12 MHz: Thomas Fischl's stock firmware (2011-05-28), and the fork that
// drives the AT89S51/52 (UsbAsp-flash_89S52: Miles McCoo's usbasp 89s52
// merged into UsbAsp-flash). What its usbFunctionSetup, usbFunctionRead and
// usbFunctionWrite do with each request the host may send, pin by pin and in
// time, with V-USB's rules for lengths; the requests for TPI, SPI memories
// and the like are not modelled and answer nothing.
class UsbaspFirmware {
public:
    enum class Kind { Stock, S5x };

    UsbaspFirmware(Kind kind, Board board) : kind_(kind), board_(board) {}

    // A control transfer whose setup stage arrives at `nowNs`; the time its
    // firmware work ends comes back in nowNs. IN: the bytes it answers into
    // `data`; OUT: the bytes handed on in 8-byte packets. The bytes moved,
    // or -1 for a STALL.
    int controlIn(uint8_t request, uint16_t value, uint16_t index, std::span<uint8_t> data, int64_t& nowNs);
    int controlOut(uint8_t request, uint16_t value, uint16_t index, std::span<const uint8_t> data, int64_t& nowNs);
    // Unplugged: the pins float.
    void powerOff(int64_t nowNs);

    Kind kind() const { return kind_; }
    // The SCK the last byte went out at, in Hz.
    int64_t sckHz() const { return 1'000'000'000 / (2 * halfNs_); }

private:
    static constexpr int kNoMessage = -1; // V-USB's USB_NO_MSG: the data go through read/write
    enum class Mode { Avr, S5x };
    enum class State { Idle, WriteFlash, ReadFlash };

    int setup(const std::array<uint8_t, 8>& data);
    int functionRead(std::span<uint8_t> data);
    int functionWrite(std::span<const uint8_t> data);

    void setSck(uint8_t option);
    void connect();
    void disconnect();
    // An ispDelay, RST high for another, then low.
    void pulseRst();
    uint8_t transmit(uint8_t out);
    uint8_t enterProgrammingMode();
    uint8_t avrReadFlash(uint32_t address);
    void avrWriteFlash(uint32_t address, uint8_t value, bool poll);
    void avrFlushPage(uint32_t address, uint8_t pollValue);
    void avrPoll(uint32_t address, uint8_t busyValue);
    void ispDelay() { now_ += delayNs_; }
    void clockWait(int units) { now_ += int64_t{units} * 320'000; }
    void pins();
    bool miso();

    Kind kind_;
    Board board_;
    int64_t now_ = 0;

    // Port B: driven or floating, and the levels driven.
    bool driven_ = false;
    bool rst_ = false;
    bool sck_ = false;
    bool mosi_ = false;

    // ispSetSCKOption's outcome.
    bool hardwareSpi_ = true;
    int64_t halfNs_ = 1334;
    int64_t delayNs_ = 5334;

    uint8_t progSck_ = 0;
    Mode mode_ = Mode::Avr;
    State state_ = State::Idle;
    uint32_t progAddress_ = 0;
    uint32_t progNbytes_ = 0;
    uint32_t progPagesize_ = 0;
    uint8_t progBlockflags_ = 0;
    uint8_t progPagecounter_ = 0;
    std::array<uint8_t, 8> replyBuffer_{};
};

} // namespace usbmodel
