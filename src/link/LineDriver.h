#pragma once

#include <chrono>
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
class LineDriver {
public:
    // A moment on the driver's clock, for callers that bound a loop of
    // instructions by time rather than wait out one span.
    struct Deadline {
        int64_t at = 0;     // the first clock reading that has passed it
        uint32_t us = 0;    // the span asked for, for a counter that stalls
        int64_t lastSeen = INT64_MIN;
        bool stalled = false;
        std::chrono::steady_clock::time_point stalledSince{};
    };

    LineDriver(const ProgrammerSettings& settings, Port& port) : settings_(settings), port_(&port) {}
    // The lines reached through another port from now on.
    void usePort(Port& port) { port_ = &port; }

    void WriteData(uint8_t value);
    uint8_t ReadStatus();
    void DelayMicroseconds(uint32_t us);
    void RefreshTimerFrequency();

    void EnterProgramming();
    void LeaveProgramming();
    void ShiftOut(uint8_t value);
    uint8_t ShiftIn();

    // Whether the port of the settings can be had, and if not, why: a job
    // checks it first, so that no port is never taken for a silent target.
    bool PortReady(std::string* why);
    // A port failure since the last call (empty when none): a job that
    // meets one has failed, whatever it read.
    std::string TakePortFault();
    // us after the last line change, or after the end of the last wait if
    // one followed it: the same origin DelayMicroseconds counts from.
    Deadline DeadlineAfter(uint32_t us);
    // True once the clock has reached the deadline, or once the counter has
    // stood still for the deadline's span in real time.
    bool Passed(Deadline& deadline);

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
