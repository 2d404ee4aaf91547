#pragma once

#include <KeptChip.h>
#include <ModelClock.h>

#include <IspChip.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace ftdimodel {

// The host and the cable on the thread's CPU time, as the USBasp model counts it.
using ModelClock = model::ModelClock<CLOCK_THREAD_CPUTIME_ID>;

// One FTDI device on the modelled bus, as libftdi finds and opens it, with
// the chip its pins are wired to (FT232R bits: D0 TXD, D1 RXD, D2 RTS,
// D3 CTS, D4 DTR, ...).
struct FtdiDevice {
    uint16_t product = 0x6001;
    std::string description = "FT232R USB UART";
    std::string serial;
    // udev gives this user no access: opening it is refused.
    bool denied = false;
    // Another program has claimed its interface.
    bool busy = false;
    // ftdi_sio holds it and this user may not detach it.
    bool driverHeld = false;
    // Bulk transfers (writes and reads) it serves before it is pulled out; -1: never.
    int unplugAfter = -1;
    bool gone = false;

    sim::IspChip* chip = nullptr;
    int rstBit = 4;
    int sckBit = 0;
    int mosiBit = 1;
    int misoBit = 3;

    // The chip's state, as the host left it.
    bool open = false;
    uint8_t mode = 0; // 0: serial port; 4: synchronous bit-bang; 2: MPSSE
    uint8_t modeSet = 0; // the last mode set other than a reset
    uint8_t outputs = 0;
    uint8_t latch = 0xFF;
    bool dtr = false;
    bool rts = false;
    int latencyMs = 16;
    uint32_t eighths = 0; // the baud generator's divisor, in eighths; 0: none set in bit-bang
    // Written bytes the bit-bang clock has not moved yet (the transmit FIFO
    // and what waits to enter it), and the inputs sampled, with their times.
    std::deque<uint8_t> pending;
    struct Sample {
        int64_t ns;
        uint8_t value;
    };
    std::deque<Sample> sampled;
    int64_t clockFreePs = 0;
    // In MPSSE: its clock (60 MHz, or 12 MHz with divide-by-5, over
    // (1 + divisor) * 2), and the answers it holds until "send immediate"
    // or its latency timer sends them.
    bool divideBy5 = true;
    uint16_t divisor = 0;
    std::deque<Sample> unsent;
};

// The bus libftdi sees and the FT232R's synchronous bit-bang as FTDI's
// datasheet and AN232R-01 describe it: the pins change one written byte per
// cycle of the sample clock, and each byte's read-back holds the inputs as
// they were just before that byte took effect; 128 bytes of transmit FIFO,
// 256 of receive FIFO, and the clock stops while the receive FIFO is full.
// The FT232H and FT2232H also have the MPSSE (runMpsse).
// USB moves data in 1 ms frames: a write or a read ends at the frame boundary
// after its data has gone. Tests set it up; vorlane-cli built with the model
// takes it from VORLANE_FTDI_MODEL ("s51", "s52" or "s53", "@ft232h" for an
// FT232H with MISO on AD2, then ":FILE" keeping the chip's flash between runs).
class FtdiWorld {
public:
    static constexpr int kTransmitFifo = 128;
    static constexpr int kReceiveFifo = 256;
    // The FT232H's MPSSE buffers, each way (the FT2232H has more).
    static constexpr int kMpsseFifo = 1024;

    FtdiWorld();
    ~FtdiWorld();

    // Nothing plugged in, virtual time from 0, 1 ms frames, no counts.
    void reset();
    FtdiDevice& plug(uint16_t product, std::string serial, sim::IspChip* chip = nullptr);
    // From VORLANE_FTDI_MODEL, once, if the world is still empty.
    void configureFromEnvironment();
    // The chip of the environment's world back to its file.
    void save();

    // The pins as the device drives them now, given to its chip at `ns`.
    void drivePins(FtdiDevice& device, int64_t ns);
    // The bit-bang clock moves what it can, from `fromNs` on.
    void clockOut(FtdiDevice& device, int64_t fromNs);
    // An FT232H or FT2232H in MPSSE as FTDI's AN_108 gives it runs the
    // commands written, from `fromNs` on, as far as its receive buffer has
    // room; the time each byte leaves the transmit buffer goes to *taken.
    void runMpsse(FtdiDevice& device, int64_t fromNs, std::vector<int64_t>* taken = nullptr);
    // The answers an MPSSE holds that its latency timer has sent by `ns`.
    void sendLatent(FtdiDevice& device, int64_t ns);
    // The end of the frame a transfer finishing at `ns` takes.
    int64_t frameEnd(int64_t ns) const;

    ModelClock clock;
    std::vector<std::unique_ptr<FtdiDevice>> devices;
    int64_t frameNs = 1'000'000;

    int writes = 0;
    int reads = 0;
    int64_t bytesWritten = 0;

private:
    KeptChip ownChip_;
    bool configured_ = false;
};

FtdiWorld& World();

} // namespace ftdimodel
