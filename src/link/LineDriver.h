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
// Every wait is a minimum time at the pins between two line changes. It
// counts from the moment the port access that made the first change has
// returned: the pin has surely changed by then, wherever in the access it
// did. So a slow or held-up access can lengthen a phase but never shorten
// the next one. Waits asked for with no line change between them add up.
// Each SCK phase lasts its setting, or the shortest phase the instructions
// in use take where that is longer (the AT89S51/52's follows their crystal).
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
    void SetShortestPhaseNs(uint32_t ns) override { shortestPhaseNs_ = ns; }
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
    struct Phases {
        uint64_t upNs;
        uint64_t downNs;
    };
    Phases phases() const;
    int64_t Now() const;
    // `ns` after `from`, a reading of the clock Now() reads.
    Deadline DeadlineFrom(int64_t from, uint64_t ns) const;
    Deadline DeadlineAfterNs(uint64_t ns);
    void WaitUntil(Deadline deadline);
    void Wait(uint64_t ns);

    const ProgrammerSettings& settings_;
    Port* port_;
    uint8_t clockMask_ = 0;
    uint8_t dataMask_ = 0;
    int64_t counterFrequency_ = 0;
    // Where the next wait counts from; none yet at the start of a job.
    int64_t anchor_ = 0;
    bool anchored_ = false;
    // When the access that made the last line change began.
    int64_t changeBegan_ = 0;
    uint32_t shortestPhaseNs_ = 0;
};
