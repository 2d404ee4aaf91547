#pragma once

#include "MpsseClock.h"

#include <cstdint>
#include <vector>

// One buffer of MPSSE commands for an FT232H or FT2232H wired with SCK on
// AD0, MOSI on AD1 and MISO on AD2: the pins set through the low byte, bytes
// clocked in SPI mode 0, MSB first, and for each clocked bit the data bytes
// and MISO reads the line driver's trace would show on the parallel port,
// with their times from the buffer's start at the SCK clock.
class MpsseBuffer {
public:
    // The line driver's bytes: its rest byte and its SCK and MOSI bits.
    struct Lines {
        uint8_t idle = 0;
        uint8_t clockMask = 0;
        uint8_t dataMask = 0;
        // MOSI rests high: each bit reaches it inverted, as in the driver's bytes.
        bool mosiInverted = false;
    };
    // What the trace shows: a data byte (W), or MISO (R) as bit `bit` of
    // answer `answer`, at `ps` from the buffer's start.
    struct Event {
        uint64_t ps;
        char operation;
        uint8_t data;
        uint32_t answer;
        int bit;
    };

    MpsseBuffer() = default;
    explicit MpsseBuffer(Lines lines) : lines_(lines) {}

    // A fresh cable: no adaptive clocking, no three-phase clocking, no
    // loopback; and a bad opcode, which an MPSSE in step with its host
    // answers with 0xFA and the opcode (FTDI's AN_135 sync check).
    void setUp();
    // The answers hold that echo where it belongs, if it was asked for.
    bool inStep(const std::vector<uint8_t>& answers) const;
    // SCK at this clock for what is queued next.
    void setClock(MpsseClock clock);
    // The low byte's pins and directions; `data` is the line driver's byte for the trace.
    void setPins(uint8_t value, uint8_t direction, uint8_t data);
    void out(uint8_t value);
    // A byte in from MISO: its index among the answers.
    uint32_t in();

    bool empty() const { return commands_.empty(); }
    uint32_t answers() const { return answers_; }
    // The time the buffer's clocking takes.
    uint64_t lengthPs() const { return nowPs_; }
    const std::vector<Event>& events() const { return events_; }
    // The commands, with "send immediate" after any that answer.
    std::vector<uint8_t> commands() const;
    // Empty for the next buffer; the clock stays.
    void clear();

private:
    // Appends one byte to a run of `opcode`, starting a new run when needed.
    void clocked(uint8_t opcode, uint8_t value);
    void event(char operation, uint8_t data, uint32_t answer = 0, int bit = 0);

    Lines lines_;
    std::vector<uint8_t> commands_;
    std::vector<Event> events_;
    uint64_t halfPs_ = 0;
    uint64_t nowPs_ = 0;
    uint32_t answers_ = 0;
    bool echoAsked_ = false;
    uint32_t echoAt_ = 0;
    // Where the open run's length sits in commands_, and its opcode (0: none).
    size_t runLength_ = 0;
    uint8_t runOpcode_ = 0;
};
