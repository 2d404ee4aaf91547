#pragma once

#include "IspLink.h"

#include <cstdint>
#include <string>

class Port;
struct ProgrammerSettings;

// The parallel port as a three-wire serial master for the chip's
// programming interface: reset, SCK and MOSI on data bits, MISO on BUSY.
// Pins, rest levels and timing come from the settings record at every use.
//
// Every wait is a minimum time between two line changes. It counts from the
// counter reading taken just before the port access that changed the lines,
// so the access's own time is part of the phase, never added to it (only
// the part by which an access was held up beyond the quickest one is);
// waits asked for with no line change between them add up.
//
// The bit-clocking link of the parallel-port cable (and of the simulated one).
class LineDriver : public IspLink {
public:
    LineDriver(const ProgrammerSettings& settings, Port& port) : settings_(settings), port_(&port) {}
    // The lines reached through another port from now on.
    void usePort(Port& port) { port_ = &port; }

    void WriteData(uint8_t value);
    uint8_t ReadStatus();
    void DelayMicroseconds(uint32_t us) override;
    void RefreshTimerFrequency() override;

    void EnterProgramming() override;
    void LeaveProgramming() override;
    bool ClocksBits() const override { return true; }
    void ShiftOut(uint8_t value) override;
    uint8_t ShiftIn() override;

    // The port at the settings' address: in use, or why none.
    std::string Describe() override;
    void Close() override;
    bool Claim(std::chrono::milliseconds wait, std::string* why) override;
    void Unclaim() override;
    bool PortReady(std::string* why) override;
    std::string TakePortFault() override;
    // us after the last line change, or after the end of the last wait if
    // one followed it: the same origin DelayMicroseconds counts from.
    Deadline DeadlineAfter(uint32_t us) override;
    // True once the clock has reached the deadline, or once the counter has
    // stood still for the deadline's span in real time.
    bool Passed(Deadline& deadline) override;

    uint8_t clockMask() const { return clockMask_; }
    uint8_t dataMask() const { return dataMask_; }
    int64_t counterFrequency() const { return counterFrequency_; }

private:
    int64_t Now() const;
    void WaitUntil(Deadline deadline);

    const ProgrammerSettings& settings_;
    Port* port_;
    uint8_t clockMask_ = 0;
    uint8_t dataMask_ = 0;
    int64_t counterFrequency_ = 0;
    // Where the next wait counts from; none yet at the start of a job.
    int64_t anchor_ = 0;
    bool anchored_ = false;
    // What the last status read took, so the next one can end with its phase.
    int64_t readTicks_ = 0;
    // The quickest data write so far; -1 before the first.
    int64_t quickestWriteTicks_ = -1;
};
