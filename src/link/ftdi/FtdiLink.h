#pragma once

#include "FtdiCable.h"
#include "FtdiClock.h"
#include "FtdiPins.h"
#include "MpsseBuffer.h"

#include <CableSequence.h>
#include <IspLink.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PortTrace;
struct ProgrammerSettings;

// An FTDI cable in synchronous bit-bang as the bit-clocking link: the line
// driver's data bytes (pins, rest levels, reset pulse, release) as the
// cable's pin bytes, each SCK phase as many bytes of the sample clock as its
// time takes. Bytes gather until something needs an answer or a wait; then
// they go out as one buffer, and the inputs the cable sampled with each come
// back. The chip's waits count from when the pins have surely been through
// the buffer: the end of its read-back, or for a buffer with no answers in it
// (a write), the cable having taken it and its last bytes' time on the pins.
// The cable is opened for each job and given back to the system at its end.
//
// On an FT232H or FT2232H wired to its MPSSE's serial pins (SCK on AD0, MOSI
// on AD1, MISO on AD2, RST on another) the cable clocks whole bytes itself in
// SPI mode 0 at an SCK clock no faster than the chip's phases: the same
// buffers, as MPSSE commands, and the pins set by command around them.
//
// A trace, when asked for, reads as the parallel port's: the data bytes and
// MISO as the status byte, stamped with the times the sample or SCK clock gives.
class FtdiLink : public IspLink {
public:
    FtdiLink(FtdiPins pins, const ProgrammerSettings& settings, std::string tracePath);
    ~FtdiLink() override;

    std::string Describe() override;
    bool PortReady(std::string* why) override;
    std::string TakePortFault() override;
    void Close() override;
    // A job's end gives the cable back, whatever the job reached.
    void Unclaim() override { Close(); }
    std::string TraceProblem() const override;

    void RefreshTimerFrequency() override;
    void EnterProgramming() override;
    void LeaveProgramming() override;
    void DelayMicroseconds(uint32_t us) override;
    Deadline DeadlineAfter(uint32_t us) override;
    bool Passed(Deadline& deadline) override;
    void SetShortestPhaseNs(uint32_t ns) override;

    bool ClocksBits() const override { return true; }
    void ShiftOut(uint8_t value) override;
    uint8_t ShiftIn() override;
    uint8_t Ask(const std::array<uint8_t, 3>& instruction) override;
    void AskMany(std::span<const std::array<uint8_t, 3>> instructions, std::span<uint8_t> answers) override;
    void AskPage(const std::array<uint8_t, 2>& head, std::span<uint8_t> bytes) override;

    // The pace in use, for tests and the bench.
    FtdiClock clock() const;
    MpsseClock mpsseClock() const;
    // Time spent sitting out the chip's waits since the link was made, in
    // ticks of the session counter: what a bench compares the link's own with.
    int64_t waitedTicks() const { return waitedTicks_; }

private:
    // A data byte standing for `samples` bytes of the sample clock.
    void put(uint8_t data, uint32_t samples);
    // The pace for what is queued next; what gathered at another goes out first.
    FtdiClock pace();
    void queueOut(uint8_t value);
    // A byte in from MISO: its slot among the answers of the next flush.
    size_t queueIn();
    // Sends what gathered and reads back the answers; false once the job failed.
    bool flush();
    bool flushMpsse();
    // The pins an MPSSE clocks bytes on, and an SCK that rests low.
    bool fitsMpsse() const;
    // Collects the read-back of a buffer nobody needed answers from.
    bool drain();
    bool openCable(std::string* why);
    bool ensureOpen();
    uint8_t answer(size_t slot) const;
    uint8_t outputMask() const;
    void fault(const std::string& text);
    void playSteps(std::span<const CableStep> steps);
    uint8_t pinByte(uint8_t data) const;
    int64_t Now() const;
    static int64_t Ticks(uint64_t ns);

    FtdiPins pins_;
    const ProgrammerSettings& settings_;
    std::string tracePath_;
    std::unique_ptr<PortTrace> trace_;
    FtdiCable cable_;
    std::string fault_;
    bool failed_ = false;
    bool entered_ = false;
    uint32_t shortestPhaseNs_ = 0;

    // What the next flush sends: pin bytes, and what the trace and the
    // answers need from them.
    struct Event {
        size_t sample;  // W: the first byte it stands for; R: the byte whose read-back holds MISO
        char operation; // 'W' or 'R'
        uint8_t data;   // W: the data byte
    };
    std::vector<uint8_t> samples_;
    std::vector<Event> events_;
    // For each byte in: the read-back index of each of its bits, MSB first.
    std::vector<std::array<size_t, 8>> ins_;
    std::vector<uint8_t> answers_;
    FtdiClock queuedClock_;
    int appliedRate_ = 0;
    // In MPSSE: the commands and trace of the next flush, and the clock set.
    MpsseBuffer mpsse_;
    MpsseClock mpsseClockSet_;
    bool mpsseClocked_ = false;

    // Where the chip's waits count from: the end of the last read-back.
    int64_t anchor_ = 0;
    int64_t waitedTicks_ = 0;
    // Bytes of the last buffer sent whose read-back is still in the cable.
    size_t unread_ = 0;
};
